#include "PortName.h"
#include "RunningModule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A program folder "program" and a user's folder "user" under root, and links
// given as "folder/COMn>target"; targets not named "gone" are made as plain
// files standing in for devices.
bool makeFolders(const QTemporaryDir &root, const QStringList &links)
{
    bool made = QDir().mkpath(root.filePath("program")) && QDir().mkpath(root.filePath("user"));
    for (const QString &link : links) {
        const QString target = root.filePath(link.section('>', 1));
        made = made && (target.endsWith("gone") || writeFile(target)) && QFile::link(target, root.filePath(link.section('>', 0, 0)));
    }
    return made;
}

} // namespace

class TestPortLookup : public QObject
{
    Q_OBJECT
private slots:
    void opens_data();
    void opens();
    void moduleLinks_data();
    void moduleLinks();
};

void TestPortLookup::opens_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("expected"); // relative to the root, or absolute
    QTest::addColumn<PortSource>("source");
    const auto row = [](const char *name, const QStringList &links, const char *expected, PortSource source) {
        QTest::newRow(name) << links << QString(expected) << source;
    };
    row("the program folder's link", {"program/COM3>ttyUSB0"}, "ttyUSB0", PortSource::ProgramFolder);
    row("the user's link", {"user/COM3>ttyUSB1"}, "ttyUSB1", PortSource::UserFolder);
    row("the administrator's link wins over the user's", {"program/COM3>ttyUSB0", "user/COM3>ttyUSB1"}, "ttyUSB0",
        PortSource::ProgramFolder);
    row("a dangling administrator's link is not passed over", {"program/COM3>gone", "user/COM3>ttyUSB1"}, "program/COM3",
        PortSource::ProgramFolder);
    row("neither: the system's port", {"program/COM4>ttyUSB0", "user/COM30>ttyUSB1"}, "/dev/ttyS2", PortSource::System);
}

void TestPortLookup::opens()
{
    if (hostPortNaming() != PortNaming::Linux)
        QSKIP("The fallback names in this table are the Linux ones");
    QFETCH(QStringList, links);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(makeFolders(root, links));
    const QString program = root.filePath("program"), user = root.filePath("user");
    QTEST(lookUpPort(3, program, user).source, "source");
    QCOMPARE(portDevicePath(3, program, user), expected.startsWith('/') ? expected : root.filePath(expected));
}

// vexel-module, copied into a program folder of its own so that this folder is
// the one it finds from its own path; XDG_CONFIG_HOME places the user's folder.
void TestPortLookup::moduleLinks_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("link"); // made by the module, relative to the root; empty when it must refuse
    const auto row = [](const char *name, const QStringList &options, const char *settings, const QStringList &links,
                        const char *link) { QTest::newRow(name) << options << QString(settings) << links << QString(link); };
    row("in the program folder it may write", {"--port", "2"}, "", {}, "program/COM2");
    row("on the port the settings file names", {"--settings-port"}, "[Settings]\nCommPort=4\n", {}, "program/COM4");
    row("in the user's folder, made on the way", {"--port", "2", "--dir", "ROOT/config/vexelapp"}, "", {},
        "config/vexelapp/COM2");
    row("not in the user's folder for a port the administrator mapped", {"--port", "2", "--dir", "ROOT/config/vexelapp"},
        "", {"program/COM2>ttyUSB0"}, "");
}

void TestPortLookup::moduleLinks()
{
    QFETCH(QStringList, options);
    QFETCH(QString, settings);
    QFETCH(QStringList, links);
    QFETCH(QString, link);
    QTemporaryDir root;
    QVERIFY(makeFolders(root, links));
    const QString module = root.filePath("program/vexel-module");
    QVERIFY(QFile::copy(VEXEL_MODULE_PATH, module));
    QVERIFY(writeFile(root.filePath("program/vexel.ini"), settings.toLatin1()));
    bool linked = false;
    const Finished ran = runToEnd(module, QStringList{"--headless"} + options.replaceInStrings("ROOT", root.path()), {},
                                  {"XDG_CONFIG_HOME=" + root.filePath("config")}, [&](QProcess &process) {
        linked = !link.isEmpty() && process.waitForReadyRead(10000) && QFileInfo(root.filePath(link)).isSymLink();
        if (!link.isEmpty() || !process.waitForFinished(10000))
            process.terminate();
    });
    if (link.isEmpty())
        QVERIFY2(ran.status == 1 && !QFileInfo::exists(root.filePath("config/vexelapp/COM2"))
                     && ran.err.contains("which the control panel opens first"), qPrintable(ran.err));
    else
        QVERIFY2(ran.out.startsWith("link " + root.filePath(link) + " -> ") && linked, qPrintable(ran.out + ran.err));
}

QTEST_GUILESS_MAIN(TestPortLookup)
#include "tst_portlookup.moc"

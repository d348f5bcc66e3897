#include "PortName.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A program folder "program" and a user's folder "user", each given its COMn
// entries as "COMn>target"; the targets are plain files standing in for devices.
struct Folders
{
    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("program"));
    QString user = root.filePath(QStringLiteral("user"));

    Folders() { QDir().mkpath(program); QDir().mkpath(user); }

    bool link(const QString &folder, const QString &entry) const
    {
        const QStringList parts = entry.split(QLatin1Char('>'));
        const QString target = root.filePath(parts[1]);
        if (!parts[1].startsWith(QLatin1String("gone"))) {
            QFile device(target);
            if (!device.open(QIODevice::WriteOnly))
                return false;
        }
        return QFile::link(target, QDir(folder).filePath(parts[0]));
    }
};

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
    QTest::addColumn<QStringList>("inProgram");
    QTest::addColumn<QStringList>("inUser");
    QTest::addColumn<QString>("expected"); // relative to the root, or absolute
    QTest::addColumn<PortSource>("source");

    QTest::newRow("the program folder's link") << QStringList{"COM3>ttyUSB0"} << QStringList{} << "ttyUSB0"
                                                << PortSource::ProgramFolder;
    QTest::newRow("the user's link") << QStringList{} << QStringList{"COM3>ttyUSB1"} << "ttyUSB1"
                                     << PortSource::UserFolder;
    QTest::newRow("the administrator's link wins over the user's")
        << QStringList{"COM3>ttyUSB0"} << QStringList{"COM3>ttyUSB1"} << "ttyUSB0" << PortSource::ProgramFolder;
    QTest::newRow("a dangling administrator's link is not passed over")
        << QStringList{"COM3>gone"} << QStringList{"COM3>ttyUSB1"} << "program/COM3" << PortSource::ProgramFolder;
    QTest::newRow("neither: the system's port") << QStringList{"COM4>ttyUSB0"} << QStringList{"COM30>ttyUSB1"}
                                                << "/dev/ttyS2" << PortSource::System;
}

void TestPortLookup::opens()
{
    if (hostPortNaming() != PortNaming::Linux)
        QSKIP("The fallback names in this table are the Linux ones");
    QFETCH(QStringList, inProgram);
    QFETCH(QStringList, inUser);
    QFETCH(QString, expected);
    QFETCH(PortSource, source);
    Folders folders;
    for (const QString &entry : inProgram)
        QVERIFY(folders.link(folders.program, entry));
    for (const QString &entry : inUser)
        QVERIFY(folders.link(folders.user, entry));

    QCOMPARE(lookUpPort(3, folders.program, folders.user).source, source);
    const QString device = portDevicePath(3, folders.program, folders.user);
    QCOMPARE(device, expected.startsWith(QLatin1Char('/')) ? expected : folders.root.filePath(expected));
}

// vexel-module, copied into a program folder of its own so that this folder is
// the one it finds from its own path; XDG_CONFIG_HOME places the user's folder.
void TestPortLookup::moduleLinks_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("inProgram");
    QTest::addColumn<QString>("link"); // made by the module, relative to the root; empty when it must refuse

    QTest::newRow("in the program folder it may write") << QStringList{"--port", "2"} << "" << QStringList{}
                                                        << "program/COM2";
    QTest::newRow("on the port the settings file names")
        << QStringList{"--settings-port"} << "[Settings]\nCommPort=4\n" << QStringList{} << "program/COM4";
    QTest::newRow("in the user's folder, made on the way")
        << QStringList{"--port", "2", "--dir", "config/vexelapp"} << "" << QStringList{} << "config/vexelapp/COM2";
    QTest::newRow("not in the user's folder for a port the administrator mapped")
        << QStringList{"--port", "2", "--dir", "config/vexelapp"} << "" << QStringList{"COM2>ttyUSB0"} << "";
}

void TestPortLookup::moduleLinks()
{
    QFETCH(QStringList, options);
    QFETCH(QString, settings);
    QFETCH(QStringList, inProgram);
    QFETCH(QString, link);
    Folders folders;
    const QString module = QDir(folders.program).filePath(QStringLiteral("vexel-module"));
    QVERIFY(QFile::copy(QStringLiteral(VEXEL_MODULE_PATH), module));
    QFile ini(QDir(folders.program).filePath(QStringLiteral("vexel.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(settings.toLatin1()) == settings.size());
    ini.close();
    for (const QString &entry : inProgram)
        QVERIFY(folders.link(folders.program, entry));
    const qsizetype dir = options.indexOf(QStringLiteral("--dir"));
    if (dir >= 0)
        options[dir + 1] = folders.root.filePath(options[dir + 1]);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.root.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(module, QStringList{"--headless"} + options);
    if (link.isEmpty()) {
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(!QFileInfo::exists(folders.root.filePath(QStringLiteral("config/vexelapp/COM2"))));
        QVERIFY(process.readAllStandardError().contains("which the control panel opens first"));
        return;
    }
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += process.readAllStandardOutput()).startsWith("link "), 10000);
    QVERIFY2(said.startsWith("link " + folders.root.filePath(link).toLocal8Bit() + " -> "), said);
    QVERIFY(QFileInfo(folders.root.filePath(link)).isSymLink());
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestPortLookup)
#include "tst_portlookup.moc"

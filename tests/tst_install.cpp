#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// "cmake --install" of this build into a staging folder (DESTDIR): every file
// where it belongs, and the programs started there find their program folder.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void holds_data();
    void holds();
    void panelFindsItsFolderFromItsCommand();
    void menuEntriesStartWhatIsInstalled();

private:
    QString staged(const QString &path) const { return m_stage.path() + path; }

    QTemporaryDir m_stage;
};

namespace {

const QString BinDir = QStringLiteral(VEXEL_BINDIR);
const QString ProgramDir = QStringLiteral(VEXEL_PROGRAM_DIR_INSTALLED);
const QString DataDir = QStringLiteral(VEXEL_DATADIR);
const QStringList Programs = QStringLiteral(VEXEL_PROGRAMS).split(QLatin1Char(','));

QByteArray run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
               int *exitCode)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    *exitCode = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

} // namespace

void TestInstall::initTestCase()
{
    QVERIFY(m_stage.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_stage.path());
    int exitCode = 0;
    const QByteArray said = run(QStringLiteral(VEXEL_CMAKE), {"--install", VEXEL_BUILD_DIR}, environment, &exitCode);
    QVERIFY2(exitCode == 0, said);
}

// Each entry is a path that must exist, or "link>file": a symbolic link
// that leads to that file within the staging folder.
void TestInstall::holds_data()
{
    QTest::addColumn<QStringList>("entries");

    QStringList commands;
    for (const QString &program : Programs)
        commands << BinDir + '/' + program + '>' + ProgramDir + '/' + program;
    QTest::newRow("commands lead into the program folder") << commands;
    QTest::newRow("pictures and launcher beside the panel")
        << QStringList{ProgramDir + "/dotf.BMP", ProgramDir + "/dotb.JPG", ProgramDir + "/vexelapp-with-module"};
    QTest::newRow("the program folder's settings are the administrator's")
        << QStringList{ProgramDir + "/vexel.ini>" VEXEL_SETTINGS_FILE};
    QStringList desktop{DataDir + "/applications/vexelapp.desktop", DataDir + "/applications/vexelapp-with-module.desktop",
                        DataDir + "/metainfo/" VEXEL_METAINFO, DataDir + "/icons/hicolor/scalable/apps/vexelapp.svg"};
    for (const char *size : {"48x48", "64x64", "128x128", "256x256"})
        desktop << DataDir + "/icons/hicolor/" + size + "/apps/vexelapp.png";
    QTest::newRow("menu entries, icon and metadata") << desktop;
    QStringList documents{DataDir + "/doc/vexelapp/copyright", DataDir + "/doc/vexelapp/changelog.gz"};
    for (const QString &page : QStringLiteral(VEXEL_MAN_PAGES).split(QLatin1Char(',')))
        documents << QStringLiteral(VEXEL_MANDIR "/man1/") + page + ".gz";
    QTest::newRow("manual pages and copyright") << documents;
}

void TestInstall::holds()
{
    QFETCH(QStringList, entries);
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(QLatin1Char('>'));
        const QFileInfo file(staged(parts[0]));
        if (parts.size() == 1) {
            QVERIFY2(file.exists(), qPrintable(entry));
            continue;
        }
        QVERIFY2(file.isSymLink(), qPrintable(entry));
        // A link that names a folder outside the prefix by its full path
        // leads out of the staging folder; its target is checked inside.
        QString target = file.symLinkTarget();
        if (!target.startsWith(m_stage.path() + '/'))
            target = staged(target);
        QVERIFY2(QFileInfo::exists(target), qPrintable(entry));
        QCOMPARE(QFileInfo(target).canonicalFilePath(), QFileInfo(staged(parts[1])).canonicalFilePath());
    }
}

// The probe reads the folder, the settings and the pictures by the panel's
// own routines, from a copy in the program folder started through a link.
void TestInstall::panelFindsItsFolderFromItsCommand()
{
    QVERIFY(QFile::copy(QStringLiteral(VEXEL_PROBE), staged(ProgramDir + "/vexel-install-probe")));
    QVERIFY(QFile::link(QStringLiteral("%1/vexel-install-probe").arg(QDir(staged(BinDir)).relativeFilePath(staged(ProgramDir))),
                        staged(BinDir + "/vexel-install-probe")));
    // The settings link names the real /etc; here it leads to the staged file.
    const QString settingsLink = staged(ProgramDir + "/vexel.ini");
    QVERIFY(QFile::remove(settingsLink));
    QVERIFY(QFile::link(staged(QStringLiteral(VEXEL_SETTINGS_FILE)), settingsLink));
    QFile settings(staged(QStringLiteral(VEXEL_SETTINGS_FILE)));
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[Settings]\nCommPort=7\n");
    settings.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    int exitCode = 0;
    const QByteArray said = run(staged(BinDir + "/vexel-install-probe"), {}, environment, &exitCode);
    QCOMPARE(exitCode, 0);
    const QString folder = QFileInfo(staged(ProgramDir)).canonicalFilePath();
    QCOMPARE(QString::fromLocal8Bit(said), QStringLiteral("folder %1/\nport 7\npicture dotf.BMP ok\npicture dotb.JPG ok\n")
                                               .arg(folder));
}

// Each entry's Exec names an installed program; the panel's own then starts
// and stays up, offscreen, until it is ended.
void TestInstall::menuEntriesStartWhatIsInstalled()
{
    QString panel;
    for (const char *entry : {"vexelapp.desktop", "vexelapp-with-module.desktop"}) {
        QFile file(staged(DataDir + "/applications/" + entry));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString command = QRegularExpression(QStringLiteral("^Exec=(\\S+)"), QRegularExpression::MultilineOption)
                                    .match(QString::fromUtf8(file.readAll()))
                                    .captured(1);
        const QFileInfo program(staged(command.startsWith('/') ? command : BinDir + '/' + command));
        QVERIFY2(program.isFile() && program.isExecutable(), qPrintable(command));
        if (panel.isEmpty())
            panel = program.filePath();
    }

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(panel);
    QVERIFY(process.waitForStarted());
    QVERIFY2(!process.waitForFinished(1500), process.readAllStandardError());
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"

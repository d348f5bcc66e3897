#include "IniReader.h"
#include "PictureLoader.h"
#include "RunningModule.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString BinDir = QStringLiteral(VEXEL_BINDIR);
const QString ProgramDir = QStringLiteral(VEXEL_PROGRAM_DIR_INSTALLED);
const QString DataDir = QStringLiteral(VEXEL_DATADIR);

// With VEXEL_PROBE set this program, copied into the staged program folder and
// started through a link, tells what the panel finds there by its own routines.
int probe()
{
    QTextStream out(stdout);
    out << "folder " << AppPath() << "\nport " << ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")) << '\n';
    for (const char *picture : {"dotf.BMP", "dotb.JPG"})
        out << "picture " << picture << ' ' << PictureLoader::load(AppPath() + QLatin1String(picture)).error << '\n';
    return 0;
}

} // namespace

// "cmake --install" of this build into a staging folder (DESTDIR): every file
// where it belongs, and the programs started there find their program folder.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void holds();
    void panelFindsItsFolderFromItsCommand();
    void noProgramGuessesAFolderNamedInAnotherCodePage();
    void menuEntriesStartWhatIsInstalled();

private:
    QString staged(const QString &path) const { return m_stage.path() + path; }
    QTemporaryDir m_stage;
};

void TestInstall::initTestCase()
{
    const Finished install = runToEnd(VEXEL_CMAKE, {"--install", VEXEL_BUILD_DIR}, {}, {"DESTDIR=" + m_stage.path()});
    QVERIFY2(m_stage.isValid() && install.status == 0, qPrintable(install.out + install.err));
}

// Each entry is a path that must exist, or "link>file": a symbolic link
// that leads to that file within the staging folder.
void TestInstall::holds()
{
    QStringList entries{ProgramDir + "/dotf.BMP", ProgramDir + "/dotb.JPG", ProgramDir + "/vexelapp-with-module",
                        ProgramDir + "/vexel.ini>" VEXEL_SETTINGS_FILE, DataDir + "/applications/vexelapp.desktop",
                        DataDir + "/applications/vexelapp-with-module.desktop", DataDir + "/metainfo/" VEXEL_METAINFO,
                        DataDir + "/icons/hicolor/scalable/apps/vexelapp.svg", DataDir + "/doc/vexelapp/copyright",
                        DataDir + "/doc/vexelapp/changelog.gz", DataDir + "/doc/vexelapp/examples/heart-beat.txt"};
    for (const char *program : {"vexel-send", "vexel-module", "vexel-ports"})
        entries << DataDir + "/bash-completion/completions/" + program;
    for (const QString &program : QStringLiteral(VEXEL_PROGRAMS).split(','))
        entries << BinDir + '/' + program + '>' + ProgramDir + '/' + program;
    for (const char *size : {"48x48", "64x64", "128x128", "256x256"})
        entries << DataDir + "/icons/hicolor/" + size + "/apps/vexelapp.png";
    for (const QString &page : QStringLiteral(VEXEL_MAN_PAGES).split(','))
        entries << QStringLiteral(VEXEL_MANDIR "/man1/") + page + ".gz";
    for (const QString &entry : entries) {
        const QFileInfo file(staged(entry.section('>', 0, 0)));
        // A link that names a folder outside the prefix by its full path
        // leads out of the staging folder; its target is checked inside.
        QString target = file.symLinkTarget();
        if (!target.startsWith(m_stage.path() + '/'))
            target = staged(target);
        const QString wanted = QFileInfo(staged(entry.section('>', 1))).canonicalFilePath();
        QVERIFY2(entry.contains('>') ? file.isSymLink() && QFileInfo::exists(target) && QFileInfo(target).canonicalFilePath() == wanted : file.exists(),
                 qPrintable(entry + " leads to " + target));
    }
    // vexel-send loads its picture reader from beside it: the picture is read, then the port refused.
    const Finished send = runToEnd(staged(ProgramDir + "/vexel-send"), {"--device", "/dev/null", "show", "0", "@" VEXEL_TEST_DATA "/lit-rule.png"});
    QVERIFY2(send.status == 3, qPrintable(send.err));
}

// This program, copied into the program folder, started through a link in the
// staged bin/ and reading the settings through the program folder's link.
void TestInstall::panelFindsItsFolderFromItsCommand()
{
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), staged(ProgramDir + "/vexel-install-probe")));
    QVERIFY(QFile::link(QDir(staged(BinDir)).relativeFilePath(staged(ProgramDir)) + "/vexel-install-probe",
                        staged(BinDir + "/vexel-install-probe")));
    // The settings link names the real /etc; here it leads to the staged file.
    const QString settings = staged(VEXEL_SETTINGS_FILE);
    QVERIFY(QFile::remove(staged(ProgramDir + "/vexel.ini")) && QFile::link(settings, staged(ProgramDir + "/vexel.ini")));
    QVERIFY(writeFile(settings, "[Settings]\nCommPort=7\n"));
    const Finished probed = runToEnd(staged(BinDir + "/vexel-install-probe"), {}, {}, {"VEXEL_PROBE=1"});
    QCOMPARE(QString::number(probed.status) + ' ' + probed.out, QStringLiteral("0 folder %1/\nport 7\npicture dotf.BMP \npicture dotb.JPG \n")
                                                                    .arg(QFileInfo(staged(ProgramDir)).canonicalFilePath()));
}

// The program folder as unzip leaves a Windows zip's, its name in Windows-1252;
// each program, started through a link, refuses to start and says why.
void TestInstall::noProgramGuessesAFolderNamedInAnotherCodePage()
{
    const QByteArray folder = QFile::encodeName(m_stage.path()) + "/Ger\xE4te/";
    QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    QStringList refusals;
    for (const QString &program : QStringLiteral(VEXEL_PROGRAMS).split(',')) {
        const std::string copy = (folder + QFile::encodeName(program)).toStdString();
        std::error_code failed;
        std::filesystem::copy_file(QFile::encodeName(staged(ProgramDir + '/' + program)).toStdString(), copy, failed);
        QVERIFY(!failed && ::symlink(copy.c_str(), QFile::encodeName(m_stage.filePath(program)).constData()) == 0);
        const Finished run = runToEnd(m_stage.filePath(program), program == "vexel-send" ? QStringList{"speed", "1"}
                                                                 : program == "vexel-module" ? QStringList{"--headless"} : QStringList());
        refusals << program + ' ' + QString::number(run.status) + (run.err.contains("/Ger\uFFFDte: its name is not UTF-8") ? "" : run.err);
    }
    QCOMPARE(refusals, (QStringList{"vexelapp 1", "vexel-module 1", "vexel-ports 1", "vexel-send 3"}));
}

// Each entry's Exec names an installed program; the panel's own then starts
// and stays up, offscreen, until it is ended.
void TestInstall::menuEntriesStartWhatIsInstalled()
{
    QStringList commands;
    for (const char *entry : {"vexelapp.desktop", "vexelapp-with-module.desktop"}) {
        QFile file(staged(DataDir + "/applications/" + entry));
        const QString command = QRegularExpression("^Exec=(\\S+)", QRegularExpression::MultilineOption)
                                    .match(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).captured(1);
        commands << staged(command.startsWith('/') ? command : BinDir + '/' + command);
        QVERIFY2(QFileInfo(commands.last()).isFile() && QFileInfo(commands.last()).isExecutable(), qPrintable(command));
    }
    bool stayedUp = false;
    const Finished panel = runToEnd(commands.first(), {}, {}, {}, [&](QProcess &process) {
        stayedUp = process.waitForStarted() && !process.waitForFinished(1500);
        process.terminate();
    });
    QVERIFY2(stayedUp, qPrintable(panel.err));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VEXEL_PROBE"))
        return probe();
    TestInstall test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_install.moc"

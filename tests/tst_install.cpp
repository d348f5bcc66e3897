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

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Runs an interactive bash on a pseudo-terminal with the start-up file rc,
// waits for its prompt "ready> ", types keys ('\t' is Tab) and Return, and
// gives the line that a command printing "<argument>" for each of its
// arguments printed then, or what the terminal showed when none came.
QString typedInBash(const QString &rc, const QByteArray &keys)
{
    int master = -1;
    const QByteArray rcFile = QFile::encodeName(rc); // the child only calls exec
    const pid_t bash = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (bash == 0)
        ::_exit(::execlp("bash", "bash", "--noprofile", "--rcfile", rcFile.constData(), "-i", nullptr));
    QString shown;
    QRegularExpressionMatch printed;
    for (bool typed = false; bash > 0 && !printed.hasMatch();) {
        if (!typed && shown.contains("ready> "))
            typed = ::write(master, keys + '\r', size_t(keys.size() + 1)) == keys.size() + 1;
        pollfd terminal{master, POLLIN, 0};
        char buffer[4096];
        const ssize_t got = ::poll(&terminal, 1, 10000) > 0 ? ::read(master, buffer, sizeof buffer) : -1;
        if (got <= 0)
            break;
        printed = QRegularExpression("\r(<[^\r\n]*>)\r\n").match(shown += QString::fromLocal8Bit(buffer, got));
    }
    ::kill(bash, SIGKILL);
    ::waitpid(bash, nullptr, 0);
    ::close(master);
    return printed.hasMatch() ? printed.captured(1) : shown;
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
    void printingIntoAFullDiskFails();
    void menuEntriesStartWhatIsInstalled();
    void completesWhatAPersonTypes();

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
        refusals << program + ' ' + QString::number(run.status)
                + (run.err.contains("/Ger\uFFFDte: its name is not UTF-8") ? "" : " without the reason: " + run.err);
    }
    QCOMPARE(refusals, (QStringList{"vexelapp 1", "vexel-module 1", "vexel-ports 1", "vexel-send 3"}));
}

// What the programs print on success goes into a full disk: the write error
// is said, with its own status, not lost behind a 0.
void TestInstall::printingIntoAFullDiskFails()
{
    QStringList full;
    for (const QString run : {"vexel-ports", "vexel-ports --help", "vexel-module --help", "vexel-send --help"}) {
        const QStringList words = run.split(' ');
        const Finished printed = runToEnd("/bin/sh", QStringList{"-c", "exec \"$0\" \"$@\" >/dev/full", staged(ProgramDir + '/' + words[0])}
                                                         + words.mid(1));
        full << run + ' ' + QString::number(printed.status) + ' ' + printed.err.trimmed().section('\n', -1);
    }
    QCOMPARE(full, (QStringList{"vexel-ports 4 vexel-ports: write error", "vexel-ports --help 4 vexel-ports: write error",
                                "vexel-module --help 4 vexel-module: write error", "vexel-send --help 4 vexel-send: write error"}));
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

// Tab in an interactive bash, the installed completion loaded after Debian's
// bash-completion (as it loads it) or alone: what vexel-send then gets.
void TestInstall::completesWhatAPersonTypes()
{
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("heart.txt")) && writeFile(folder.filePath("my file.txt"))
            && writeFile(folder.filePath("folder/b.txt")));
    const QList<std::array<QByteArray, 3>> rows{
        {"a file after @", "vexel-send play 0 @he\t", "<play><0><@heart.txt>"},
        {"a name with a blank arrives whole", "vexel-send show 1 @my\t", "<show><1><@my file.txt>"},
        {"a folder takes no space, to go on into it", "vexel-send save 3 @fol\tb\t", "<save><3><@folder/b.txt>"},
        {"wait is a command", "vexel-send wa\t7", "<wait><7>"},
        {"an option's value after =", "vexel-send --port=1 pl\t1 @he\t", "<--port=1><play><1><@heart.txt>"}};
    for (const char *loader : {"", ". /usr/share/bash-completion/bash_completion"}) {
        QVERIFY(writeFile(folder.filePath("rc"), QStringLiteral("PS1='ready> ' TERM=xterm INPUTRC=/dev/null\n%1\n. '%2'\n"
                                                 "vexel-send() { printf '<%s>' \"$@\"; echo; }\ncd '%3'\n")
                                  .arg(loader, staged(DataDir + "/bash-completion/completions/vexel-send"), folder.path()).toLocal8Bit()));
        for (const auto &[name, keys, arguments] : rows) {
            const QString got = typedInBash(folder.filePath("rc"), keys);
            QVERIFY2(got == arguments, qPrintable(QStringLiteral("%1 %2: %3").arg(*loader ? "with bash-completion:" : "plain:", name, got)));
        }
    }
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

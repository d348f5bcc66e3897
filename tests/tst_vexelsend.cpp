#include "PtyPair.h"
#include "RunningModule.h"
#include "SerialPortControl.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QStringEncoder>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <signal.h>

// What a row gives vexel-send and what it must do: the bytes on the line (hex), what it prints, its exit
// status and a part of its error; the answer its pty gives, its standard input, where its port is, and
// the signal it gets once the bytes are there.
struct Send
{
    const char *name;
    QStringList arguments;
    QByteArray onTheLine;  // for a lost port, what went out before
    QString out;
    int status = 0;
    QString err = {};
    const char *reply = "";
    QByteArray input = {};
    const char *port = "";
    int signal = 0;
};

// The frames that play puts on the line for a GIF of the corpus, one echo line each, as another decoder saw them.
QString gifFrames(const QString &data, const QString &name)
{
    QString lines;
    for (const QString &frame : gifCorpusEntry(data, name).section(';', 0, 0).split(", "))
        lines += "FC 00 " + frame.section(" @", 0, 0) + '\n';
    return lines;
}

// A text as Windows' "Unicode" files hold it: UTF-16 with its byte-order mark.
QByteArray wide(const QByteArray &text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(QString::fromUtf8(text));
}

class TestVexelSend : public QObject
{
    Q_OBJECT
private slots:
    void sends();
};

// Each row runs vexel-send in a program folder of its own. Its port is a pty
// whose far end answers reply once the expected bytes are there and collects
// one byte more, so that a surplus shows, reading late for a "slow" port and
// never for a "stopped" one; or, by the last column, the COM1 of that folder:
// a link to no device, held by the panel's own port layer, or the virtual
// module on the settings file's port 2, which CommPort=0 "unset"s.
void TestVexelSend::sends()
{
    const QString heart = "E0 11 12 24 24 12 11 E0";
    const QByteArray grid = ".##..##.\n#..##..#\n#......#\n#......#\n.#....#.\n..#..#..\n...##...\n........\n";
    const QByteArray file = "speed 0\nchars 'A' \"\"  # a space\n\nanimate up 1\n";
    const QByteArray dot = "........\n........\n........\n...#....\n........\n........\n........\n........\n";
    const QByteArray beat = grid + "wait 300\n\n" + dot;
    const QString data = VEXEL_TEST_DATA;
    QFile litRuleFile(data + "/lit-rule.png");
    QVERIFY(litRuleFile.open(QIODevice::ReadOnly));
    const QByteArray litRule = litRuleFile.readAll();
    // A PNG header claiming 100000 x 100000 pixels, and its first data.
    QByteArray bmp;
    QBuffer bmpFile(&bmp);
    QVERIFY(bmpFile.open(QIODevice::WriteOnly) && QImage(8, 8, QImage::Format_RGB32).save(&bmpFile, "BMP"));
    const QByteArray huge = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000a8520bc8"
                                                "0000000b49444154789c63604005000010000139bd8f65");
    // More than any system's pty takes while its far end does not read.
    const QByteArray scrolls = QByteArray("scroll ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\n").repeated(4000);
    const QByteArray scrollsOnTheLine = QByteArray("fd4142434445464748494a4b4c4d4e4f505152535455565758595a30313233").repeated(4000);
    const Send rows[] = {
        {"chars: a letter and a custom character", {"chars", "A", "^3"}, "fe4103", "FE 41 03\n"},
        {"scroll: the frame, then the text as typed", {"scroll", "HELLO"}, "fd48454c4c4f", "FD  (HELLO)\n"},
        {"speed 3 is the fastest", {"speed", "3"}, "fa21", "FA 21\n"},
        {"show: a pattern in spaced hexadecimal", {"show", "1", heart}, "fc01e0111224241211e0", "FC 01 " + heart + '\n'},
        {"show: the same pattern as a grid through a pipe, its first bytes kept", {"show", "1", "@/dev/stdin"}, "fc01e0111224241211e0",
            "FC 01 " + heart + '\n', 0, "", "", grid},
        {"animate: left arrow at position 0", {"animate", "left", "0"}, "f80300", "F8 03 00\n"},
        {"save in joined hexadecimal, acknowledged", {"save", "3", "e0111224241211e0"}, "f903e0111224241211e0",
            "F9 03 " + heart + "\nBitmap Saved\n", 0, "", "aa"},
        {"save-startup acknowledged", {"save-startup"}, "f71b", "F7 1B\nScreen Saved As Startup\n", 0, "", "aa"},
        {"quiet: nothing printed on success", {"--quiet", "save-startup"}, "f71b", "", 0, "", "aa"},
        {"store without an answer", {"save-startup"}, "f71b", "F7 1B\n", 1, "no answer"},
        {"store answered with another byte", {"save-startup"}, "f71b", "F7 1B\n", 1, "answered 55", "55"},
        {"store answered twice", {"save-startup"}, "f71b", "F7 1B\n", 1, "answered 2 bytes", "aaaa"},
        {"invalid data: ^ and a letter", {"chars", "Q", "^x"}, "", "", 2, "Invalid Data"},
        {"slot above 9", {"save", "10", heart}, "", "", 2, "no slot"},
        {"text over 30 characters", {"scroll", QString(31, 'A')}, "", "", 2, "at most 30"},
        {"scroll: a letter whose byte is an opcode", {"scroll", "Grüße"}, "", "", 2, "\"ü\" cannot be scrolled"},
        {"chars: a letter typed with its accent is composed", {"chars", "e\u0301", "x"}, "fee978", "FE E9 78\n"},
        {"file: a letter without a byte, named with its line", {"--file", "-"}, "", "", 2,
            "-:2: chars: \"Ж\" cannot be shown", "", "speed 1\nchars Ж x\n"},
        {"file: old Mac line ends, and a typed ? goes out", {"--file", "-"}, "fa31fd5768793f", "FA 31\nFD  (Why?)\n", 0, "", "",
            "speed 1\rscroll Why?\r"},
        {"grid: a comment line, blanks after the eighth dot", {"show", "1", "@-"}, "fc01e0111224241211e0", "FC 01 " + heart + '\n',
            0, "", "", "# heart\n" + QByteArray(grid).replace("\n", "  \t\n")},
        {"animation: comment lines, and a comment after a wait", {"play", "0", "@heart.txt", "--interval", "1"},
            "fc00e0111224241211e0fc000000008000000000", "FC 00 " + heart + "\nFC 00 00 00 00 80 00 00 00 00\n", 0, "", "",
            "# beat\n" + grid + "wait 1 # short\n\n# the dot\n" + dot},
        {"file: Windows-1252 bytes, with their line", {"--file", "heart.txt"}, "", "", 2,
            "heart.txt:2: bytes that are not UTF-8", "", "speed 0\nscroll Caf\xE9\n"},
        {"file: UTF-16LE with its mark", {"--file", "heart.txt"}, "fa39fd4869", "FA 39\nFD  (Hi)\n", 0, "", "",
            wide("speed 0\r\nscroll Hi\r\n", QStringConverter::Utf16LE)},
        {"grid in UTF-16BE with its mark", {"show", "1", "@heart.txt"}, "fc01e0111224241211e0", "FC 01 " + heart + '\n', 0, "",
            "", wide(grid, QStringConverter::Utf16BE)},
        {"pattern of three bytes", {"show", "0", "10 00 00"}, "", "", 2, "is not a pattern"},
        {"play: a text animation's frames, an option after the words", {"play", "0", "@heart.txt", "--interval", "1"},
            "fc00e0111224241211e0fc000000008000000000", "FC 00 " + heart + "\nFC 00 00 00 00 80 00 00 00 00\n", 0, "", "", beat},
        {"play: a GIF's frames", {"play", "1", "@" + data + "/two-frames.gif"}, "fc01e0111224241211e0fc010000008000000000",
            "FC 01 " + heart + "\nFC 01 00 00 00 80 00 00 00 00\n"},
        {"picture: lit where opaque and light; columns white, 128/0/0, 127 grey, alpha 128, alpha 127, black, clear, top dot",
            {"show", "0", "@" + data + "/lit-rule.png"}, "fc00ffff00ff00000010", "FC 00 FF FF 00 FF 00 00 00 10\n"},
        {"picture: the brightest channel decides; columns red, green, blue, 0/0/128, 0/127/0, red and white at alpha 127, black",
            {"show", "0", "@" + data + "/channels.png"}, "fc00ffffffff00000000", "FC 00 FF FF FF FF 00 00 00 00\n"},
        {"picture: from standard input, told by its content", {"show", "0", "@-"}, "fc00ffff00ff00000010",
            "FC 00 FF FF 00 FF 00 00 00 10\n", 0, "", "", litRule},
        {"play: a GIF marked to loop once more plays twice", {"play", "0", "@" + data + "/im-previous.gif"},
            gifFrames(data, "im-previous.gif").toLatin1().replace(' ', "").replace('\n', "").repeated(2),
            gifFrames(data, "im-previous.gif").repeated(2)},
        {"play: a GIF marked to loop forever plays past its last frame, until Ctrl-C", {"play", "0", "@" + data + "/gifsicle-optimised.gif"},
            (gifFrames(data, "gifsicle-optimised.gif") + gifFrames(data, "gifsicle-optimised.gif").section('\n', 0, 0)).toLatin1().replace(' ', "").replace('\n', ""),
            gifFrames(data, "gifsicle-optimised.gif") + gifFrames(data, "gifsicle-optimised.gif").section('\n', 0, 0) + '\n', 130, "", "", {}, "", SIGINT},
        {"picture: --invert swaps lit and unlit", {"--invert", "show", "0", "@" + data + "/lit-rule.png"},
            "fc000000ff00ffffffef", "FC 00 00 00 FF 00 FF FF FF EF\n"},
        {"interrupt: Ctrl-C while the first frame stays up ends the loop with it whole", {"play", "0", "@heart.txt", "--loop", "--interval", "9000"},
            "fc00e0111224241211e0", "FC 00 " + heart + '\n', 130, "", "", grid + '\n' + dot, "", SIGINT},
        {"grid of 7 lines in an animation", {"play", "0", "@heart.txt"}, "", "", 2, "heart.txt: line 1: a grid has 8 lines, this one 7",
            "", grid.mid(9)},
        {"negative wait in an animation", {"play", "0", "@heart.txt"}, "", "", 2, "heart.txt: line 9: write wait MS", "", grid + "wait -5\n"},
        {"empty animation", {"play", "0", "@heart.txt"}, "", "", 2, "heart.txt: no frame in it", "", "\n\n"},
        {"interval of 0", {"play", "0", "@heart.txt", "--interval", "0"}, "", "", 2, "--interval takes", "", grid},
        {"interval that times nothing: one command", {"show", "0", heart, "--interval", "50"}, "", "", 2, "--interval times nothing"},
        {"store repeated: each pass would write the module's memory", {"--file", "-", "--loop"}, "", "", 2, "repeat no save",
            "", "show 0 " + heart.toLatin1() + "\nwait 100\nsave-startup\n"},
        {"store repeated by --repeat", {"--repeat", "2", "save", "1", heart}, "", "", 2, "repeat no save"},
        {"interval with a blank after it", {"play", "0", "@heart.txt", "--interval", "5 "}, "", "", 2, "--interval takes", "", grid},
        {"repeat with a plus sign", {"--repeat", "+2", "speed", "1"}, "", "", 2, "--repeat takes"},
        {"output to a full disk: said, and the run ends", {"--repeat", "2", "speed", "1"}, "fa31", "", 4, "vexel-send: write error",
            "", {}, ">/dev/full"},
        {"started with every standard stream closed: nothing else on the line", {"save-startup"}, "f71b", "", 1, "", "", {},
            "<&- >&- 2>&-"},
        {"picture that is not one", {"show", "0", "@heart.txt"}, "", "", 2, "cannot read picture heart.txt: ", "", "GIF89a cut"},
        {"picture claiming a huge size, refused by its header", {"show", "0", "@heart.txt"}, "", "", 2, "100000 x 100000 pixels", "", huge},
        {"picture cut short", {"show", "0", "@heart.txt"}, "", "", 2, "heart.txt: the file ends before the picture does", "", bmp.chopped(100)},
        {"an empty @", {"play", "0", "@"}, "", "", 2, "@ names no file"},
        {"PNG cut short: said once, by vexel-send", {"show", "0", "@heart.txt"}, "", "", 2, "cannot read picture heart.txt: ",
            "", litRule.chopped(10)},
        {"pattern in full-width digits", {"save", "3", "\uFF11\uFF10 00 00 00 00 00 00 00"}, "", "", 2, "is not a pattern"},
        {"slot in an Arabic-Indic digit", {"save", "\u0663", heart}, "", "", 2, "no slot"},
        {"grid of seven lines", {"show", "0", "@-"}, "", "", 2, "8 lines, this one 7", "", grid.first(63)},
        {"grid from a stream over 4 KiB", {"show", "0", "@-"}, "", "", 2, "more than 4096 bytes", "", grid.repeated(60)},
        {"command file over 1 MiB", {"--file", "heart.txt"}, "", "", 2, "more than 1048576", "", scrolls.repeated(8)},
        {"file of NUL bytes: a short excerpt", {"--file", "-"}, "", "", 2, R"(\x00\x00..." is no command)", "", QByteArray(100000, 0)},
        {"empty device: an unset variable", {"--device", "", "speed", "1"}, "", "", 2, "--device takes a non-empty"},
        {"a folder that is not there is not guessed at", {"--dir", "/nonexistent", "speed", "1"}, "", "", 2, "--dir /nonexistent is no folder"},
        {"file: three commands in order, a wait, repeated", {"--file", "-", "--repeat", "2"}, "fa39fe4120f80001fa39fe4120f80001",
            "FA 39\nFE 41 20\nF8 00 01\nFA 39\nFE 41 20\nF8 00 01\n", 0, "", "", file + "wait 1\n"},
        {"file: nothing sent when a later line is bad", {"--file", "-"}, "", "", 2, "-:5: speed", "", file + "speed 4\n"},
        {"file: a line that pauses below the stall limit is not lost", {"--quiet", "--file", "heart.txt"}, scrollsOnTheLine,
            "", 0, "", "", scrolls, "slow"},
        {"file: a line that stopped taking bytes", {"--quiet", "--file", "heart.txt"}, scrollsOnTheLine, "", 3,
            "stopped taking bytes", "", scrolls, "stopped"},
        {"device: /dev/null is no serial device", {"--device", "/dev/null", "speed", "1"}, "", "", 3, "/dev/null: not a serial device"},
        {"port: the settings file selects none", {"speed", "1"}, "", "", 3, "vexel.ini selects no port", "", {}, "unset"},
        {"port: a link to no device", {"--port", "1", "save-startup"}, "", "", 3, "COM1): the link leads nowhere", "", {}, "gone"},
        // Refusals at the edges of what each word may hold, and the near misses that must still go out.
        {"speed 4 is beyond the fastest", {"speed", "4"}, "", "", 2, "speed: \"4\""},
        {"position 2 is beyond the last", {"show", "2", heart}, "", "", 2, "no display position"},
        {"slot 9 is the last", {"save", "9", heart}, "f909e0111224241211e0", "F9 09 " + heart + "\nBitmap Saved\n", 0, "", "aa"},
        {"scroll text of 30 characters fits", {"scroll", QString(30, 'Z')}, "fd5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a",
            "FD  (" + QString(30, 'Z') + ")\n"},
        {"two letters are no character", {"chars", "AB", "C"}, "", "", 2, "\"AB\" is neither"},
        {"pattern: single digits are bytes", {"show", "0", "1 0 0 0 0 0 0 F"}, "fc00010000000000000f", "FC 00 01 00 00 00 00 00 00 0F\n"},
        {"pattern: a group of three digits", {"show", "0", "010 00 00 00 00 00 00 00"}, "", "", 2, "is not a pattern"},
        {"pattern: groups of four digits", {"show", "0", "1000 0000 0000 0000"}, "", "", 2, "is not a pattern"},
        {"pattern: seventeen joined digits", {"show", "0", "10000000000000000"}, "", "", 2, "is not a pattern"},
        {"file: # inside a word is no comment", {"--file", "-"}, "fd612362", "FD  (a#b)\n", 0, "", "", "scroll a#b  # comment\n"},
        {"file: each quote holds the other", {"--file", "-"}, "fd782020797a20712272272d", "FD  (x  yz q\"r'-)\n", 0, "", "",
            "scroll \"x  y\"z 'q\"r'\"'-\"\n"},
        {"file: an unclosed quote", {"--file", "-"}, "", "", 2, "-:1: the quote ' is not closed", "", "scroll 'abc\n"},
        {"port 21 is beyond the list", {"--port", "21", "save-startup"}, "", "", 2, "--port takes a number from 1 to 20"},
        {"port 20 is the last", {"--port", "20", "save-startup"}, "", "", 3, "COM20): the link leads nowhere", "", {}, "gone"},
        {"port: held by the panel's own port layer", {"--port", "1", "save-startup"}, "", "", 3,
            QString("held by another program: %1 (tst_vexelsend)").arg(QCoreApplication::applicationPid()), "", {}, "held"},
        {"port: the settings file's, a grid from a file, on the virtual module", {"save", "3", "@heart.txt"}, "",
            "F9 03 " + heart + "\nBitmap Saved\n", 0, "", "", grid, "module"},
        {"port: locked by a program not yet or no longer on the line, as senders started together are", {"save-startup"}, "", "", 3,
            QString("): held by another program: %1 (tst_vexelsend)").arg(QCoreApplication::applicationPid()), "", {}, "locked"},
        {"lost during a loop: the first cause is said, not a later write's", {"--loop", "--interval", "50", "show", "0", heart},
            "fc00e0111224241211e0", "FC 00 " + heart + '\n', 3, "was lost: the line hung up", "", {}, "hangs up"},
    };
    for (const Send &row : rows) {
        const QString port = row.port;
        QTemporaryDir dir;
        PtyPair line;
        QVERIFY(writeFile(dir.filePath("vexel.ini"), port == "unset" ? "[Settings]\nCommPort=0\n" : "[Settings]\nCommPort=2\n")
                && writeFile(dir.filePath("heart.txt"), row.input));
        if (port == "gone" || port == "held")
            QVERIFY(QFile::link(port == "held" ? line.slavePath() : dir.filePath("ttyGone"), dir.filePath("COM" + row.arguments[1])));
        SerialPortControl panel(dir.path());
        QVERIFY(port != "held" || panel.setPortOpen(true));
        RunningModule module(dir.path());
        QVERIFY((port != "module" && port != "locked") || module.start({"--port", "2"}));
        // The lock of the module's line, taken as the serial port layer takes it, the line itself left alone.
        std::unique_ptr<QLockFile> lock;
        for (const QString &folder : QStringList{"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", QDir::tempPath()}) {
            if (port == "locked" && !lock && QFileInfo(folder).isWritable())
                lock = std::make_unique<QLockFile>(folder + "/LCK.." + QFileInfo(dir.filePath("COM2")).canonicalFilePath().mid(5).replace('/', '_'));
        }
        QVERIFY(!lock || lock->tryLock(0));
        QVERIFY(QDir::setCurrent(dir.path())); // where @heart.txt is
        // The last column may redirect vexel-send's standard streams, through a shell.
        const QStringList shell = port.startsWith('<') || port.startsWith('>')
            ? QStringList{"-c", "exec \"$0\" \"$@\" " + port, VEXEL_SEND_PATH} : QStringList();
        const bool pty = port.isEmpty() || port == "slow" || port == "stopped" || port == "hangs up" || !shell.isEmpty();
        const QStringList device = pty && !row.arguments.contains("--device") ? QStringList{"--device", line.slavePath()} : QStringList();
        const QByteArray onTheLine = QByteArray::fromHex(row.onTheLine), reply = QByteArray::fromHex(row.reply);
        QByteArray heard;
        const Finished sent = runToEnd(shell.isEmpty() ? VEXEL_SEND_PATH : "/bin/sh", shell + QStringList{"--dir", dir.path()} + device + row.arguments,
                                       row.input, {"LD_DEBUG=libs", "LD_DEBUG_OUTPUT=" + dir.filePath("libraries")},
                                       [&](QProcess &process) {
            if (port == "slow")
                QThread::msleep(1000);
            if (!reply.isEmpty() || port == "slow" || port == "hangs up" || row.signal) {
                heard = line.read(int(onTheLine.size()), 5000);
                line.write(reply);
                if (port == "hangs up")
                    line.closeMaster();
                if (row.signal)
                    ::kill(pid_t(process.processId()), row.signal);
            }
        });
        heard += line.read(int(onTheLine.size()) + 1 - int(heard.size()), 100);
        QVERIFY2((row.status == 3 ? onTheLine.startsWith(heard) : heard == onTheLine) && sent.out == row.out && sent.status == row.status
                     && (row.err.isEmpty() ? sent.err.isEmpty() : sent.err.contains(row.err)),
                 qPrintable(QStringLiteral("%1: heard %2, status %3, said \"%4\", \"%5\"")
                                .arg(QString(row.name), QString(heard.left(40).toHex(' '))).arg(sent.status).arg(sent.out, sent.err)));
        QVERIFY2(port != "module" || module.waitFor("frame F9 03 E0 11 12 24 24 12 11 E0"), row.name);
        // Everything said is said in the program's words, and a run that
        // names no file loads no Qt Gui library, which only pictures need.
        QVERIFY2(QRegularExpression("^((vexel-send: |Try ).*\n)*$").match(sent.err).hasMatch(), row.name);
        QString libraries;
        for (const QString &log : QDir(dir.path()).entryList({"libraries.*"})) {
            QFile loaded(dir.filePath(log));
            libraries += loaded.open(QIODevice::ReadOnly) ? loaded.readAll() : QByteArray();
        }
        QVERIFY2(!libraries.isEmpty() && (row.arguments.join(' ').contains('@') || !libraries.contains("libQt6Gui")), row.name);
    }
}

QTEST_GUILESS_MAIN(TestVexelSend)
#include "tst_vexelsend.moc"

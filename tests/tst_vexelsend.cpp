#include "PtyPair.h"
#include "RunningModule.h"
#include "SerialPortControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What a row gives vexel-send and what it must do: the bytes on the line (hex), what it prints, its exit
// status and a part of its error; the answer its pty gives, its standard input, and where its port is.
struct Send
{
    const char *name;
    QStringList arguments;
    const char *onTheLine;
    QString out;
    int status = 0;
    QString err = {};
    const char *reply = "";
    QByteArray input = {};
    const char *port = "";
};

class TestVexelSend : public QObject
{
    Q_OBJECT
private slots:
    void sends();
};

// Each row runs vexel-send in a program folder of its own. Its port is a pty
// whose far end answers reply once the expected bytes are there and collects
// one byte more, so that a surplus shows; or, by the last column, the COM1 of
// that folder: a link to no device, held by the panel's own port layer, or the
// virtual module on the settings file's port 2.
void TestVexelSend::sends()
{
    const QString heart = "E0 11 12 24 24 12 11 E0";
    const QByteArray grid = ".##..##.\n#..##..#\n#......#\n#......#\n.#....#.\n..#..#..\n...##...\n........\n";
    const QByteArray file = "speed 0\nchars 'A' \"\"  # a space\n\nanimate up 1\n";
    const Send rows[] = {
        {"chars: a letter and a custom character", {"chars", "A", "^3"}, "fe4103", "FE 41 03\n"},
        {"scroll: the frame, then the text as typed", {"scroll", "HELLO"}, "fd48454c4c4f", "FD  (HELLO)\n"},
        {"speed 3 is the fastest", {"speed", "3"}, "fa21", "FA 21\n"},
        {"show: a pattern in spaced hexadecimal", {"show", "1", heart}, "fc01e0111224241211e0", "FC 01 " + heart + '\n'},
        {"show: the same pattern as a grid from standard input", {"show", "1", "@-"}, "fc01e0111224241211e0",
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
        {"pattern of three bytes", {"show", "0", "10 00 00"}, "", "", 2, "is not a pattern"},
        {"file: three commands in order", {"--file", "-"}, "fa39fe4120f80001", "FA 39\nFE 41 20\nF8 00 01\n", 0, "", "", file},
        {"file: nothing sent when a later line is bad", {"--file", "-"}, "", "", 2, "-:5: speed", "", file + "speed 4\n"},
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
        {"port 20 is the last", {"--port", "20", "save-startup"}, "", "", 3, "COM20): no such device", "", {}, "gone"},
        {"port: a link to no device", {"--port", "1", "save-startup"}, "", "", 3, "COM1): no such device", "", {}, "gone"},
        {"port: held by the panel's own port layer", {"--port", "1", "save-startup"}, "", "", 3,
            QString("held by another program: %1 (tst_vexelsend)").arg(QCoreApplication::applicationPid()), "", {}, "held"},
        {"port: the settings file's, a grid from a file, on the virtual module", {"save", "3", "@heart.txt"}, "",
            "F9 03 " + heart + "\nBitmap Saved\n", 0, "", "", grid, "module"},
    };
    for (const Send &row : rows) {
        const QString port = row.port;
        QTemporaryDir dir;
        PtyPair line;
        QVERIFY(writeFile(dir.filePath("vexel.ini"), "[Settings]\nCommPort=2\n") && writeFile(dir.filePath("heart.txt"), row.input));
        if (port == "gone" || port == "held")
            QVERIFY(QFile::link(port == "held" ? line.slavePath() : dir.filePath("ttyGone"), dir.filePath("COM" + row.arguments[1])));
        SerialPortControl panel(dir.path());
        QVERIFY(port != "held" || panel.setPortOpen(true));
        RunningModule module(dir.path());
        QVERIFY(port != "module" || module.start({"--port", "2"}));
        QVERIFY(QDir::setCurrent(dir.path())); // where @heart.txt is
        const QStringList device = port.isEmpty() ? QStringList{"--device", line.slavePath()} : QStringList();
        const QByteArray onTheLine = QByteArray::fromHex(row.onTheLine), reply = QByteArray::fromHex(row.reply);
        QByteArray heard;
        const Finished sent = runToEnd(VEXEL_SEND_PATH, QStringList{"--dir", dir.path()} + device + row.arguments, row.input, {},
                                       [&](QProcess &) {
            if (!reply.isEmpty()) {
                heard = line.read(int(onTheLine.size()), 5000);
                line.write(reply);
            }
        });
        heard += line.read(int(onTheLine.size()) + 1 - int(heard.size()), 100);
        QVERIFY2(heard == onTheLine && sent.out == row.out && sent.status == row.status
                     && (row.err.isEmpty() ? sent.err.isEmpty() : sent.err.contains(row.err)),
                 qPrintable(QStringLiteral("%1: heard %2, status %3, said \"%4\", \"%5\"")
                                .arg(QString(row.name), QString(heard.toHex(' '))).arg(sent.status).arg(sent.out, sent.err)));
        QVERIFY2(port != "module" || module.waitFor("frame F9 03 E0 11 12 24 24 12 11 E0"), row.name);
    }
}

QTEST_GUILESS_MAIN(TestVexelSend)
#include "tst_vexelsend.moc"

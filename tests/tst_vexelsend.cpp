#include "PtyPair.h"
#include "RunningModule.h"
#include "SerialPortControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray HeartGrid = ".##..##.\n#..##..#\n#......#\n#......#\n.#....#.\n..#..#..\n...##...\n........\n";

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
    QByteArray onTheLine;
};

// vexel-send in a program folder of its own. line, when given, is the far
// end of the port: it answers reply as soon as expected bytes are there, and
// collects one byte more than expected, so that a surplus shows.
Outcome send(const QString &dir, const QStringList &arguments, const QByteArray &input = {},
             PtyPair *line = nullptr, int expected = 0, const QByteArray &reply = {})
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.start(QStringLiteral(VEXEL_SEND_PATH), QStringList{"--dir", dir} + arguments);
    process.write(input);
    process.closeWriteChannel();
    Outcome outcome;
    if (line && !reply.isEmpty()) {
        outcome.onTheLine = line->read(expected, 5000);
        line->write(reply);
    }
    if (!process.waitForFinished(10000))
        return outcome;
    if (line)
        outcome.onTheLine += line->read(expected + 1 - int(outcome.onTheLine.size()), 100);
    outcome.status = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

} // namespace

class TestVexelSend : public QObject
{
    Q_OBJECT

private slots:
    void sendsThePanelsFrames_data();
    void sendsThePanelsFrames();
    void saysWhyThePortDidNotOpen_data();
    void saysWhyThePortDidNotOpen();
    void storesOnTheVirtualModuleOfTheSettingsPort();
};

void TestVexelSend::sendsThePanelsFrames_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("onTheLine");
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("input");
    const auto row = [](const char *name, const QStringList &arguments, const char *onTheLine, const QString &out,
                        int status = 0, const char *err = "", const char *reply = "", const QByteArray &input = {}) {
        QTest::newRow(name) << arguments << QByteArray::fromHex(onTheLine) << out << status << QString(err)
                            << QByteArray::fromHex(reply) << input;
    };
    const QString heart = "E0 11 12 24 24 12 11 E0";
    const QString file = "speed 0\nchars 'A' \"\"  # a space\n\nanimate up 1\n";

    row("chars: a letter and a custom character", {"chars", "A", "^3"}, "fe4103", "FE 41 03\n");
    row("scroll: the frame, then the text as typed", {"scroll", "HELLO"}, "fd48454c4c4f", "FD  (HELLO)\n");
    row("speed 3 is the fastest", {"speed", "3"}, "fa21", "FA 21\n");
    row("show: a pattern in spaced hexadecimal", {"show", "1", heart}, "fc01e0111224241211e0", "FC 01 " + heart + '\n');
    row("show: the same pattern as a grid from standard input", {"show", "1", "@-"}, "fc01e0111224241211e0",
        "FC 01 " + heart + '\n', 0, "", "", HeartGrid);
    row("animate: left arrow at position 0", {"animate", "left", "0"}, "f80300", "F8 03 00\n");
    row("save in joined hexadecimal, acknowledged", {"save", "3", "e0111224241211e0"}, "f903e0111224241211e0",
        "F9 03 " + heart + "\nBitmap Saved\n", 0, "", "aa");
    row("save-startup acknowledged", {"save-startup"}, "f71b", "F7 1B\nScreen Saved As Startup\n", 0, "", "aa");
    row("quiet: nothing printed on success", {"--quiet", "save-startup"}, "f71b", "", 0, "", "aa");
    row("store without an answer", {"save-startup"}, "f71b", "F7 1B\n", 1, "no answer");
    row("store answered with another byte", {"save-startup"}, "f71b", "F7 1B\n", 1, "answered 55", "55");
    row("store answered twice", {"save-startup"}, "f71b", "F7 1B\n", 1, "answered 2 bytes", "aaaa");
    row("invalid data: ^ and a letter", {"chars", "Q", "^x"}, "", "", 2, "Invalid Data");
    row("slot above 9", {"save", "10", heart}, "", "", 2, "no slot");
    row("text over 30 characters", {"scroll", QString(31, 'A')}, "", "", 2, "at most 30");
    row("pattern of three bytes", {"show", "0", "10 00 00"}, "", "", 2, "is not a pattern");
    row("file: three commands in order", {"--file", "-"}, "fa39fe4120f80001", "FA 39\nFE 41 20\nF8 00 01\n", 0, "",
        "", file.toUtf8());
    row("file: nothing sent when a later line is bad", {"--file", "-"}, "", "", 2, "-:5: speed", "",
        (file + "speed 4\n").toUtf8());
}

void TestVexelSend::sendsThePanelsFrames()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, onTheLine);
    QFETCH(QString, out);
    QFETCH(int, status);
    QFETCH(QString, err);
    QTemporaryDir dir;
    PtyPair line;
    QVERIFY2(line.isValid(), qPrintable(line.errorString()));
    const Outcome outcome = send(dir.path(), QStringList{"--device", line.slavePath()} + arguments, input, &line,
                                 int(onTheLine.size()), reply);
    QCOMPARE(outcome.onTheLine.toHex(' '), onTheLine.toHex(' '));
    QCOMPARE(outcome.out, out);
    QCOMPARE(outcome.status, status);
    QVERIFY2(err.isEmpty() ? outcome.err.isEmpty() : outcome.err.contains(err), qPrintable(outcome.err));
}

void TestVexelSend::saysWhyThePortDidNotOpen_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("err");

    QTest::newRow("a link to no device") << false << "COM1): no such device";
    QTest::newRow("held by the panel's own port layer")
        << true << QString("held by another program: %1 (tst_vexelsend)").arg(QCoreApplication::applicationPid());
}

void TestVexelSend::saysWhyThePortDidNotOpen()
{
    QFETCH(bool, held);
    QFETCH(QString, err);
    QTemporaryDir dir;
    PtyPair line;
    QVERIFY(QFile::link(held ? line.slavePath() : dir.filePath("ttyGone"), dir.filePath("COM1")));
    SerialPortControl panel(dir.path());
    QVERIFY(!held || panel.setPortOpen(true));
    const Outcome outcome = send(dir.path(), {"--port", "1", "save-startup"}, {}, &line);
    QCOMPARE(outcome.status, 3);
    QVERIFY2(outcome.err.contains(err), qPrintable(outcome.err));
    QCOMPARE(outcome.onTheLine, QByteArray());
}

void TestVexelSend::storesOnTheVirtualModuleOfTheSettingsPort()
{
    QTemporaryDir dir;
    QFile settings(dir.filePath("vexel.ini"));
    QFile heart(dir.filePath("heart.txt"));
    QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[Settings]\nCommPort=2\n") > 0);
    QVERIFY(heart.open(QIODevice::WriteOnly) && heart.write(HeartGrid) == HeartGrid.size());
    settings.close();
    heart.close();
    RunningModule module(dir.path());
    QVERIFY(module.start({"--port", "2"}));
    const Outcome outcome = send(dir.path(), {"save", "3", "@heart.txt"});
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.out, "F9 03 E0 11 12 24 24 12 11 E0\nBitmap Saved\n");
    QCOMPARE(outcome.status, 0);
    QVERIFY(module.waitFor("frame F9 03 E0 11 12 24 24 12 11 E0"));
}

QTEST_GUILESS_MAIN(TestVexelSend)
#include "tst_vexelsend.moc"

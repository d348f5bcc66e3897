#include "FrameDecoder.h"
#include "LedModule.h"
#include "PortSurvey.h"
#include "PtyPair.h"
#include "RunningModule.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Feeds a stream of hex bytes to a decoder, at once or byte by byte; "|"
// stands for the line falling silent.
QList<Frame> feed(const QString &stream, bool byteByByte)
{
    FrameDecoder decoder;
    QList<Frame> frames;
    const QStringList parts = stream.split('|');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray bytes = QByteArray::fromHex(parts[i].toLatin1());
        for (qsizetype at = 0; at < bytes.size(); at += byteByByte ? 1 : bytes.size())
            frames += decoder.feed(bytes.mid(at, byteByByte ? 1 : -1));
        if (i + 1 < parts.size())
            if (const auto frame = decoder.pause())
                frames << *frame;
    }
    return frames;
}

// The module after a stream: its display, column by column, then "n=pattern"
// for every slot that holds anything.
QString run(LedModule &module, const QString &stream)
{
    for (const Frame &frame : feed(stream, false))
        module.apply(frame);
    QString shown = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(module.display().data()),
                                                   LedModule::ColumnCount).toHex().toUpper());
    for (int n = 0; n < ModuleProtocol::SlotCount; ++n) {
        if (module.slot(n) != Pattern{})
            shown += QStringLiteral(" %1=").arg(n)
                + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(module.slot(n).data()), 8).toHex().toUpper());
    }
    return shown;
}

QString display(const LedModule &module)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(module.display().data()),
                                          LedModule::ColumnCount).toHex().toUpper());
}

const QString Blank(32, '0');
const QString Empty8 = QStringLiteral("00 00 00 00 00 00 00 00");

// The test's end of the module's line, opened raw as the panel opens a port.
class Line
{
public:
    explicit Line(const QString &path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            m_raw = ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
        }
    }
    ~Line() { ::close(m_fd); }
    bool isOpen() const { return m_raw; }
    bool write(const QString &hex)
    {
        const QByteArray data = QByteArray::fromHex(hex.toLatin1());
        return ::write(m_fd, data.constData(), size_t(data.size())) == data.size();
    }
    // Everything that arrives within timeoutMs, in hex.
    QString read(int timeoutMs)
    {
        QByteArray data;
        QDeadlineTimer deadline(timeoutMs);
        pollfd poller{m_fd, POLLIN, 0};
        char buffer[64];
        for (ssize_t n = 0; ::poll(&poller, 1, int(deadline.remainingTime())) > 0
                            && (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            data.append(buffer, int(n));
        return QString::fromLatin1(data.toHex(' ').toUpper());
    }

private:
    int m_fd = -1;
    bool m_raw = false;
};

} // namespace

// The stand-in module: its decoder and model, the program around them, and
// the port finder beside it.
class ModuleTest : public QObject
{
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void shows_data();
    void shows();
    void scrollsAtEachSpeed_data();
    void scrollsAtEachSpeed();
    void animatesArrows_data();
    void animatesArrows();
    void keepsItsStoredState_data();
    void keepsItsStoredState();
    void programReportsAndAnswers_data();
    void programReportsAndAnswers();
    void programServesEachConnectionAlone();
    void programReplacesAStaleLinkAndRemovesItsOwn_data();
    void programReplacesAStaleLinkAndRemovesItsOwn();
    void programKeepsStartupScreenAcrossRestart();
    void programAttachesToADevice();
    void programRefuses_data();
    void programRefuses();
    void portFinder_data();
    void portFinder();
    void portFinderReportsAndSuggests();
};

void ModuleTest::decodes_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QString>("frames");
    const auto row = [](const char *name, const QString &stream, const QString &frames) {
        QTest::newRow(name) << stream << frames;
    };
    row("arrows, names and positions", "F8 03 01 F8 00 00", "animate arrow=left pos=1 / animate arrow=up pos=0");
    row("the four speed operands", "FA 39 FA 31 FA 29 FA 21",
        "scroll-speed speed=0 / scroll-speed speed=1 / scroll-speed speed=2 / scroll-speed speed=3");
    row("columns that look like opcodes are columns", "FC 01 F8 FE F7 FD FF FC F9 FA", "display-bitmap pos=1");
    row("Windows-1252 codes that look like opcodes", "FE FC 80", "static-chars first=\"ü\" second=\"€\"");
    row("custom characters", "FE 00 09", "static-chars first=^0 second=^9");
    row("text ended by the next opcode", "FD 48 49 F7 1B", "scroll-text text=\"HI\" end=opcode / save-startup");
    row("empty text ended by the next opcode", "FD FA 21", "scroll-text text=\"\" end=opcode / scroll-speed speed=3");
    row("text ended by a pause", "FD 48 49 |", "scroll-text text=\"HI\" end=pause");
    row("text ended at 30 characters", "FD" + QString(" 41").repeated(30) + " 42",
        "scroll-text text=\"" + QString(30, 'A') + "\" end=length / unknown-byte");
    row("quote, backslash and control characters in a text", "FD 22 5C 0A 81 |",
        "scroll-text text=\"\\\"\\\\\\x0A\\x81\" end=pause");
    row("FB and stray operands are no frames", "FB 1B F7 1B", "unknown-byte / unknown-byte / save-startup");
    row("opcode instead of a slot", "F9 F7 1B", "cut-short save-bitmap (1 of 10 bytes) / save-startup");
    row("opcode instead of a position", "F8 01 FE 41 42",
        "cut-short animate (2 of 3 bytes) / static-chars first=\"A\" second=\"B\"");
    row("bitmap cut short by a pause, then a pause with nothing to end", "FC 01 10 20 | F7 1B |",
        "cut-short display-bitmap (4 of 10 bytes) / save-startup");
    row("slot 10", "F9 0A " + Empty8, "bad save-bitmap slot=10");
    row("display position 2", "FC 02 " + Empty8, "bad display-bitmap pos=2");
    row("animation 4 at position 2", "F8 04 02", "bad animate animation=4 pos=2");
    row("speed operand between two speeds", "FA 28", "bad scroll-speed operand=0x28");
    row("wrong start-up marker", "F7 1C", "bad save-startup marker=0x1C");
}

// However the bytes are split on the line, the same frames take every byte in order.
void ModuleTest::decodes()
{
    QFETCH(QString, stream);
    QFETCH(QString, frames);
    for (const bool byteByByte : {false, true}) {
        QStringList descriptions;
        QByteArray bytes;
        for (const Frame &frame : feed(stream, byteByByte)) {
            descriptions << frame.description();
            bytes += frame.bytes;
        }
        QCOMPARE(descriptions.join(" / "), frames);
        QCOMPARE(bytes, QByteArray::fromHex(QString(stream).remove('|').toLatin1()));
    }
}

// Out: the display's sixteen columns, left to right (a column byte holds its
// dots top to bottom with the weights 16, 32, 64, 128, 1, 2, 4, 8), then
// the slots that hold anything.
void ModuleTest::shows_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bitmaps at both positions") << "FC 00 10 00 00 00 00 00 00 00 FC 01 80 01 00 00 00 00 00 08"
                                               << "10000000000000008001000000000008";
    QTest::newRow("a letter, and a box for a character the font lacks") << "FE 41 E9"
                                                                        << "00E7909090E7000000F7141414F70000";
    QTest::newRow("custom character from a slot") << "F9 03 FF 18 18 18 18 18 18 FF FE 03 20"
                                                  << "FF181818181818FF0000000000000000 3=FF181818181818FF";
    QTest::newRow("a later save leaves the shown character")
        << "F9 03 FF 00 00 00 00 00 00 00 FE 03 03 F9 03 01 00 00 00 00 00 00 00"
        << "FF00000000000000FF00000000000000 3=0100000000000000";
    QTest::newRow("slots 0 and 9") << "F9 00 01 02 03 04 05 06 07 08 F9 09 10 00 00 00 00 00 00 FF"
                                   << Blank + " 0=0102030405060708 9=10000000000000FF";
    QTest::newRow("bad and cut-short frames change nothing")
        << "FC 02 FF FF FF FF FF FF FF FF F9 0A FF FF FF FF FF FF FF FF F8 04 00 FE 41 | FC 00 FF FF | F9 02 FF FF |"
        << Blank;
    QTest::newRow("an empty scroll text clears the display") << "FE 41 42 FD |" << Blank;
    QTest::newRow("a scroll text starts from a blank display") << "FE 41 42 FD 41 42 |" << Blank;
}

void ModuleTest::shows()
{
    QFETCH(QString, stream);
    LedModule module;
    QTEST(run(module, stream), "shown");
}

void ModuleTest::scrollsAtEachSpeed_data()
{
    QTest::addColumn<QString>("speedFrame");
    QTest::addColumn<int>("stepMs");
    QTest::newRow("no speed chosen: speed 2") << QString() << 100;
    QTest::newRow("speed 0") << "FA 39" << 240;
    QTest::newRow("speed 1") << "FA 31" << 160;
    QTest::newRow("speed 3") << "FA 21" << 60;
}

// Slot 0 is all lit, so the text ^0 is a solid block coming in from the
// right, passing, and starting over.
void ModuleTest::scrollsAtEachSpeed()
{
    QFETCH(QString, speedFrame);
    QFETCH(int, stepMs);
    LedModule module;
    run(module, "F9 00 FF FF FF FF FF FF FF FF " + speedFrame + " FD 00 |");
    const std::pair<int, const char *> steps[] = {
        {3 * stepMs - 1, "0000000000000000000000000000FFFF"}, {1, "00000000000000000000000000FFFFFF"},
        {11 * stepMs, "0000FFFFFFFFFFFFFFFF000000000000"}, {9 * stepMs, "FF000000000000000000000000000000"},
        {stepMs, "00000000000000000000000000000000"}, {stepMs, "000000000000000000000000000000FF"}};
    for (const auto &[milliseconds, shown] : steps) {
        module.elapse(milliseconds);
        QCOMPARE(display(module), shown);
    }
}

// The arrow before it moves, and one step later, one dot towards its point.
void ModuleTest::animatesArrows_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("moved");
    QTest::newRow("up arrow at 0") << "F8 00 00" << "80C0E0FFFFE0C080" + Blank.left(16)
                                   << "406070FFFF706040" + Blank.left(16);
    QTest::newRow("down arrow at 1") << "F8 01 01" << Blank.left(16) + "010307FFFF070301"
                                     << Blank.left(16) + "02060EFFFF0E0602";
    QTest::newRow("right arrow at 0") << "F8 02 00" << "81818181FFE7C381" + Blank.left(16)
                                      << "8181818181FFE7C3" + Blank.left(16);
    QTest::newRow("left arrow at 1") << "F8 03 01" << Blank.left(16) + "81C3E7FF81818181"
                                     << Blank.left(16) + "C3E7FF8181818181";
}

void ModuleTest::animatesArrows()
{
    QFETCH(QString, frame);
    QFETCH(QString, start);
    LedModule module;
    QCOMPARE(run(module, frame), start);
    module.elapse(LedModule::AnimationStepMs - 1);
    QCOMPARE(display(module), start);
    module.elapse(1);
    QTEST(display(module), "moved");
    module.elapse(7 * LedModule::AnimationStepMs);
    QCOMPARE(display(module), start);
}

// The start-up screen comes back with every slot as it was, a scrolling one
// scrolls again; nothing of a broken state is taken over.
void ModuleTest::keepsItsStoredState_data()
{
    QTest::addColumn<QString>("edit"); // "old>new" in the stored text
    QTest::addColumn<QString>("after");
    const QString kept = "FF181818181818FF0000000000000000 3=FF181818181818FF 5=FFFFFFFFFFFFFFFF 7=0102030405060708";
    const QString refused = "FF000000000000000000000000000000 3=FF00000000000000";
    QTest::newRow("as stored") << "" << kept;
    QTest::newRow("another file") << "*>[Settings]\nCommPort=1\n" << refused;
    QTest::newRow("slot of two bytes") << "slot 3 FF181818181818FF>slot 3 FF18" << refused;
    QTest::newRow("slot 10") << "slot 3 >slot 10 " << refused;
    QTest::newRow("speed 4") << "speed 2>speed 4" << refused;
    QTest::newRow("animation 4") << "animations -1 -1>animations 4 -1" << refused;
    QTest::newRow("unknown line") << "*>*brightness 9\n" << refused;
}

void ModuleTest::keepsItsStoredState()
{
    QFETCH(QString, edit);
    LedModule before;
    run(before, "F9 03 FF 18 18 18 18 18 18 FF F9 07 01 02 03 04 05 06 07 08 FE 03 20 F7 1B "
                "FE 42 42 F9 05 FF FF FF FF FF FF FF FF");
    QByteArray state = before.storedState();
    const QByteArray from = edit.section('>', 0, 0).toLatin1();
    const QByteArray to = edit.section('>', 1).toLatin1();
    state = from == "*" ? QByteArray(to).replace("*", state) : state.replace(from, to);
    LedModule after;
    run(after, "F9 03 FF 00 00 00 00 00 00 00 FE 03 20 F7 1B");
    after.restoreStoredState(state);
    QTEST(run(after, ""), "after");
    QVERIFY(!after.isMoving());
    LedModule scrolling;
    run(scrolling, "F9 00 FF FF FF FF FF FF FF FF FA 21 FD 00 | F7 1B FE 41 41");
    LedModule restarted;
    QVERIFY(restarted.restoreStoredState(scrolling.storedState()));
    restarted.elapse(60);
    QCOMPARE(display(restarted), "000000000000000000000000000000FF");
}

void ModuleTest::programReportsAndAnswers_data()
{
    QTest::addColumn<QStringList>("writes"); // in hex, gapMs apart
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("answer");
    QTest::newRow("split with short gaps") << QStringList{"F9 09", "10 00 00", "00 00 00 00 00"} << 5
        << QStringList{"frame F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9"} << "AA";
    QTest::newRow("a long gap cuts a bitmap short") << QStringList{"FC 01 10", "F7 1B"} << 300
        << QStringList{"frame FC 01 10 cut-short display-bitmap (3 of 10 bytes)", "frame F7 1B save-startup"}
        << "AA";
    QTest::newRow("bad and cut-short stores get no answer")
        << QStringList{"F9 0A 00 00 00 00 00 00 00 00 F7 00 F9 05 10"} << 0
        << QStringList{"frame F9 0A 00 00 00 00 00 00 00 00 bad save-bitmap slot=10",
                       "frame F7 00 bad save-startup marker=0x00",
                       "frame F9 05 10 cut-short save-bitmap (3 of 10 bytes)"} << "";
}

void ModuleTest::programReportsAndAnswers()
{
    QFETCH(QStringList, writes);
    QFETCH(int, gapMs);
    QFETCH(QStringList, frames);
    QTemporaryDir dir;
    RunningModule module(dir.path());
    QVERIFY(module.start());
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
    for (const QString &chunk : writes) {
        QVERIFY(line.write(chunk));
        QTest::qSleep(gapMs);
    }
    for (const QString &frame : frames)
        QVERIFY2(module.waitFor("frame "), qPrintable(frame));
    QCOMPARE(module.frameLines(), frames);
    QTEST(line.read(100), "answer");
}

// The answer to a store that finds the line closed does not wait in the
// pty for whoever opens it next.
void ModuleTest::programServesEachConnectionAlone()
{
    QTemporaryDir dir;
    RunningModule module(dir.path());
    QVERIFY(module.start({"--ack", "delay:200"}));
    QVERIFY(Line(module.linkPath()).write("F7 1B"));
    QVERIFY(module.waitFor("answer AA dropped: line closed"));
    Line next(module.linkPath());
    QVERIFY(next.isOpen() && next.write("F7 1B"));
    QCOMPARE(next.read(500), "AA");
}

void ModuleTest::programReplacesAStaleLinkAndRemovesItsOwn_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A link left by a module that died leads nowhere; it is replaced, and the new one goes at the end.
void ModuleTest::programReplacesAStaleLinkAndRemovesItsOwn()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(QFile::link("/nonexistent/pts/99", dir.filePath("COM1")));
    RunningModule module(dir.path());
    QVERIFY(module.start());
    QVERIFY(QFileInfo(module.linkPath()).symLinkTarget().startsWith("/dev/pts/"));
    QVERIFY(Line(module.linkPath()).isOpen());
    QVERIFY(module.stop(signal));
    QVERIFY(!QFileInfo(module.linkPath()).isSymLink());
}

// The start-up screen shows ^3 from slot 3; after a restart the screen and the slot are back.
void ModuleTest::programKeepsStartupScreenAcrossRestart()
{
    QTemporaryDir dir;
    {
        RunningModule module(dir.path());
        QVERIFY(module.start());
        QVERIFY(Line(module.linkPath()).write("F9 03 FF 18 18 18 18 18 18 FF FE 03 20 F7 1B FE 41 41"));
        QVERIFY(module.waitFor("frame FE 41 41"));
        QVERIFY(module.stop(SIGTERM));
    }
    const QStringList box = {"######## ........", "#......# ........", "#......# ........", "#......# ........",
                             "#......# ........", "#......# ........", "#......# ........", "######## ........"};
    RunningModule restarted(dir.path());
    QVERIFY(restarted.start());
    QCOMPARE(restarted.startupDisplay(), box);
    QVERIFY(Line(restarted.linkPath()).write("FE 03 20"));
    QVERIFY(restarted.waitFor("frame FE 03 20"));
    QCOMPARE(restarted.nextDisplay(), box);
}

void ModuleTest::programAttachesToADevice()
{
    PtyPair adapter;
    QTemporaryDir dir;
    QProcess process;
    process.start(VEXEL_MODULE_PATH, {"--headless", "--dir", dir.path(), "--device", adapter.slavePath()});
    QVERIFY(process.waitForReadyRead(5000));
    QCOMPARE(process.readLine(), "device " + adapter.slavePath().toLocal8Bit() + '\n');
    QVERIFY(adapter.write(QByteArray::fromHex("F9 01 10 00 00 00 00 00 00 00")));
    QCOMPARE(adapter.read(1, 1000), "\xAA");
    QVERIFY(!QFileInfo::exists(dir.filePath("COM1")));
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.readAllStandardOutput().contains("frame F9 01 10 00 00 00 00 00 00 00 save-bitmap slot=1\n"));
}

void ModuleTest::programRefuses_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("inTheWay"); // what COM1 already is: nothing, a file, or a link to a device
    QTest::newRow("COM1 is a plain file") << QStringList{} << "file";
    QTest::newRow("COM1 leads to a real device") << QStringList{} << "/dev/null";
    QTest::newRow("unknown answer") << QStringList{"--ack", "sometimes"} << "";
    QTest::newRow("answer byte of three digits") << QStringList{"--ack", "byte:1AA"} << "";
    QTest::newRow("port 0") << QStringList{"--port", "0"} << "";
    QTest::newRow("missing folder") << QStringList{"--dir", "/nonexistent/vexel"} << "";
}

// The module ends with an error and leaves whatever COM1 was alone.
void ModuleTest::programRefuses()
{
    QFETCH(QStringList, options);
    QFETCH(QString, inTheWay);
    QTemporaryDir dir;
    QFile file(dir.filePath("COM1"));
    if (inTheWay == "file")
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep me") == 7);
    else if (!inTheWay.isEmpty())
        QVERIFY(QFile::link(inTheWay, file.fileName()));
    file.close();
    QProcess process;
    process.start(VEXEL_MODULE_PATH, QStringList{"--headless", "--dir", dir.path()} + options);
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.exitCode() != 0 && !process.readAllStandardError().isEmpty());
    QVERIFY(!process.readAllStandardOutput().contains("link "));
    QCOMPARE(QFileInfo(file.fileName()).symLinkTarget(), inTheWay == "file" ? QString() : inTheWay);
    QVERIFY(file.open(QIODevice::ReadOnly) == !inTheWay.isEmpty());
    if (inTheWay == "file")
        QCOMPARE(file.readAll(), "keep me");
}

// A program folder and stand-ins for /dev and /sys (/proc stays the real one):
// ttyS0 has no UART, ttyS1 has one, COM3 leads nowhere, COM4 is a plain file,
// COM5 leads to ttyS1. In: the port; out: its path and what is said of it.
void ModuleTest::portFinder_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("report");
    QTest::newRow("a ttyS node with no UART") << 1 << "dev/ttyS0: present, but no serial hardware behind it; you may open it";
    QTest::newRow("a ttyS node with a UART") << 2 << "dev/ttyS1: present; you may open it";
    QTest::newRow("a dangling link") << 3 << "program/COM3: missing: the link leads nowhere";
    QTest::newRow("a plain file in the way") << 4 << "program/COM4: present; you may open it";
    QTest::newRow("a link to port 2's device") << 5 << "program/COM5: present; you may open it";
    QTest::newRow("nothing there") << 6 << "dev/ttyS5: missing";
}

void ModuleTest::portFinder()
{
    QFETCH(int, number);
    QTemporaryDir root;
    const auto touch = [&](const QString &path, const QByteArray &content = {}) {
        QDir().mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    QVERIFY(touch("dev/ttyS0") && touch("sys/class/tty/ttyS0/type", "0\n"));
    QVERIFY(touch("dev/ttyS1") && touch("sys/class/tty/ttyS1/type", "4\n") && touch("program/COM4"));
    QVERIFY(QFile::link("/nonexistent/ttyUSB7", root.filePath("program/COM3")));
    QVERIFY(QFile::link(root.filePath("dev/ttyS1"), root.filePath("program/COM5")));
    const PortSurvey survey(root.filePath("program"), root.filePath("dev"), "/proc", root.filePath("sys"));
    QTEST(survey.portPath(number).remove(root.path() + '/') + ": " + PortSurvey::describe(survey.status(number, {})),
          "report");
}

void ModuleTest::portFinderReportsAndSuggests()
{
    PortSurvey::PortStatus status{1, "/dev/ttyS0", false, "/dev/ttyS0", false, false, {}};
    QCOMPARE(PortSurvey::describe(status), "present; you may not open it: join the dialout group with "
                                           "`sudo usermod -aG dialout $USER`, then log in again");
    status.accessible = true;
    status.holders = {{41, "vexelapp"}, {42, "minicom"}};
    QCOMPARE(PortSurvey::describe(status), "present; you may open it; held open by 41 (vexelapp), 42 (minicom)");

    QTemporaryDir root;
    const QString dev = root.filePath("dev"), program = root.filePath("program");
    QDir().mkpath(dev + "/serial/by-id");
    QDir().mkpath(program);
    for (const char *name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"})
        QVERIFY(QFile(dev + '/' + name).open(QIODevice::WriteOnly));
    const QString byId = dev + "/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0";
    QVERIFY(QFile::link("../../ttyUSB1", byId));
    QVERIFY(QFile::link(dev + "/ttyACM0", program + "/COM1"));
    QVERIFY(QFile(program + "/COM2").open(QIODevice::WriteOnly));
    const PortSurvey survey(program, dev, "/proc", root.filePath("sys"));
    // One line per device: the stable name when there is one, where it leads, and the port already reaching it.
    QStringList devices;
    for (const PortSurvey::UsbDevice &device : survey.usbDevices())
        devices << QStringLiteral("%1 %2 %3").arg(device.path, device.device).arg(device.port);
    QCOMPARE(devices, (QStringList{dev + "/ttyACM0 " + dev + "/ttyACM0 1", dev + "/ttyUSB0 " + dev + "/ttyUSB0 0",
                                   byId + ' ' + dev + "/ttyUSB1 0"}));
    QCOMPARE(survey.freePorts().mid(0, 2), (QList<int>{3, 4}));
    QCOMPARE(survey.linkCommand(byId, 3), QStringLiteral("ln -s %1 %2/COM3").arg(byId, program));

    // The program itself, on a port this test holds open.
    PtyPair pty;
    QVERIFY(QFile::link(pty.slavePath(), program + "/COM3"));
    QProcess process;
    process.start(VEXEL_PORTS_PATH, {"--dir", program, "--suggest"});
    QVERIFY(process.waitForFinished(10000) && process.exitCode() == 0);
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n');
    const QStringList ports = lines.filter(QRegularExpression("^port "));
    QCOMPARE(ports.size(), PortSurvey::PortCount);
    QVERIFY2(ports[2].startsWith(QString("port 3  %1/COM3 -> %2  present").arg(program, pty.slavePath())), qPrintable(ports[2]));
    QVERIFY2(ports[2].contains(QStringLiteral("held open by %1 (").arg(QCoreApplication::applicationPid())), qPrintable(ports[2]));
    QVERIFY2(ports[1].startsWith(QString("port 2  %1/COM2 ").arg(program)), qPrintable(ports[1]));
}

QTEST_GUILESS_MAIN(ModuleTest)
#include "tst_module.moc"

#include "FrameDecoder.h"
#include "LedModule.h"
#include "PortSurvey.h"
#include "PtyPair.h"
#include "RunningModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <QScopeGuard>

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

QString hex(const std::uint8_t *bytes, int count)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), count).toHex().toUpper());
}

QString display(const LedModule &module) { return hex(module.display().data(), LedModule::ColumnCount); }

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
        if (const auto frame = i + 1 < parts.size() ? decoder.pause() : std::nullopt)
            frames << *frame;
    }
    return frames;
}

// The module after a stream: its display, then "n=pattern" for every slot that holds anything.
QString run(LedModule &module, const QString &stream)
{
    for (const Frame &frame : feed(stream, false))
        module.apply(frame);
    QString shown = display(module);
    for (int n = 0; n < ModuleProtocol::SlotCount; ++n)
        if (module.slot(n) != Pattern{})
            shown += QStringLiteral(" %1=").arg(n) + hex(module.slot(n).data(), 8);
    return shown;
}

const QString Blank(32, '0'), Half(16, '0');
const QString Empty8 = QStringLiteral("00 00 00 00 00 00 00 00");

// What the test finds at a path in the module's folder.
QString entry(const QDir &dir, const QString &name)
{
    QFile file(dir.filePath(name));
    if (const QFileInfo info(file); info.isSymLink())
        return name + " -> " + QString(info.symLinkTarget()).replace(QRegularExpression("^/dev/pts/\\d+$"), "PTY");
    return file.open(QIODevice::ReadOnly) ? name + " file " + file.readAll() : "no " + name;
}

// How often a process has given up the processor to wait.
qint64 wakeUps(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    return QRegularExpression("\\nvoluntary_ctxt_switches:\\s*(\\d+)").match(QString::fromLatin1(text)).captured(1).toLongLong();
}

} // namespace

// The stand-in module: its decoder and model, the program around them, and
// the port finder beside it.
class ModuleTest : public QObject
{
    Q_OBJECT
private slots:
    void decodes();
    void shows();
    void keepsItsStoredState();
    void program();
    void portFinder();
};

// However the bytes are split on the line, the same frames take every byte in order.
void ModuleTest::decodes()
{
    const QList<std::array<QString, 3>> rows{
        {"arrows, names and positions", "F8 03 01 F8 00 00", "animate arrow=left pos=1 / animate arrow=up pos=0"},
        {"the four speed operands", "FA 39 FA 31 FA 29 FA 21",
            "scroll-speed speed=0 / scroll-speed speed=1 / scroll-speed speed=2 / scroll-speed speed=3"},
        {"columns that look like opcodes are columns", "FC 01 F8 FE F7 FD FF FC F9 FA", "display-bitmap pos=1"},
        {"Windows-1252 codes that look like opcodes", "FE FC 80", "static-chars first=\"ü\" second=\"€\""},
        {"custom characters", "FE 00 09", "static-chars first=^0 second=^9"},
        {"text ended by the next opcode", "FD 48 49 F7 1B", "scroll-text text=\"HI\" end=opcode / save-startup"},
        {"empty text ended by the next opcode", "FD FA 21", "scroll-text text=\"\" end=opcode / scroll-speed speed=3"},
        {"text ended by a pause", "FD 48 49 |", "scroll-text text=\"HI\" end=pause"},
        {"text ended at 30 characters", "FD" + QString(" 41").repeated(30) + " 42",
            "scroll-text text=\"" + QString(30, 'A') + "\" end=length / unknown-byte"},
        {"quote, backslash and control characters in a text", "FD 22 5C 0A 81 |", "scroll-text text=\"\\\"\\\\\\x0A\\x81\" end=pause"},
        {"FB and stray operands are no frames", "FB 1B F7 1B", "unknown-byte / unknown-byte / save-startup"},
        {"opcode instead of a slot", "F9 F7 1B", "cut-short save-bitmap (1 of 10 bytes) / save-startup"},
        {"opcode instead of a position", "F8 01 FE 41 42", "cut-short animate (2 of 3 bytes) / static-chars first=\"A\" second=\"B\""},
        {"bitmap cut short by a pause, then a pause with nothing to end", "FC 01 10 20 | F7 1B |",
            "cut-short display-bitmap (4 of 10 bytes) / save-startup"},
        {"slot 10", "F9 0A " + Empty8, "bad save-bitmap slot=10"},
        {"display position 2", "FC 02 " + Empty8, "bad display-bitmap pos=2"},
        {"animation 4 at position 2", "F8 04 02", "bad animate animation=4 pos=2"},
        {"speed operand between two speeds", "FA 28", "bad scroll-speed operand=0x28"},
        {"wrong start-up marker", "F7 1C", "bad save-startup marker=0x1C"},
    };
    for (const auto &[name, stream, frames] : rows) {
        for (const bool byteByByte : {false, true}) {
            QStringList descriptions;
            QByteArray bytes;
            for (const Frame &frame : feed(stream, byteByByte)) {
                descriptions << frame.description();
                bytes += frame.bytes;
            }
            QVERIFY2(descriptions.join(" / ") == frames, qPrintable(name + ": " + descriptions.join(" / ")));
            QVERIFY2(bytes == QByteArray::fromHex(QString(stream).remove('|').toLatin1()), qPrintable(name));
        }
    }
}

// Out: the display's sixteen columns, left to right (a column byte holds its
// dots top to bottom with the weights 16, 32, 64, 128, 1, 2, 4, 8), and the
// slots that hold anything; then "+ms display" after each wait.
void ModuleTest::shows()
{
    QList<std::array<QString, 3>> rows{
        {"bitmaps at both positions", "FC 00 10 00 00 00 00 00 00 00 FC 01 80 01 00 00 00 00 00 08", "10000000000000008001000000000008"},
        {"a letter, and a box for a character the font lacks", "FE 41 E9", "00E7909090E7000000F7141414F70000"},
        {"custom character from a slot", "F9 03 FF 18 18 18 18 18 18 FF FE 03 20", "FF181818181818FF" + Half + " 3=FF181818181818FF"},
        {"a later save leaves the shown character", "F9 03 FF 00 00 00 00 00 00 00 FE 03 03 F9 03 01 00 00 00 00 00 00 00",
            "FF00000000000000FF00000000000000 3=0100000000000000"},
        {"slots 0 and 9", "F9 00 01 02 03 04 05 06 07 08 F9 09 10 00 00 00 00 00 00 FF", Blank + " 0=0102030405060708 9=10000000000000FF"},
        {"bad and cut-short frames change nothing",
            "FC 02 FF FF FF FF FF FF FF FF F9 0A FF FF FF FF FF FF FF FF F8 04 00 FE 41 | FC 00 FF FF | F9 02 FF FF |", Blank},
        {"an empty scroll text clears the display", "FE 41 42 FD |", Blank},
        {"a scroll text starts from a blank display", "FE 41 42 FD 41 42 |", Blank}};
    // The arrow stays 100 ms, moves one dot towards its point, and is back after eight steps.
    const auto arrow = [&rows](const char *name, const char *frame, const QString &start, const QString &moved) {
        rows.append({name, frame, start + " +99 " + start + " +1 " + moved + " +700 " + start});
    };
    arrow("up arrow at 0", "F8 00 00", "80C0E0FFFFE0C080" + Half, "406070FFFF706040" + Half);
    arrow("down arrow at 1", "F8 01 01", Half + "010307FFFF070301", Half + "02060EFFFF0E0602");
    arrow("right arrow at 0", "F8 02 00", "81818181FFE7C381" + Half, "8181818181FFE7C3" + Half);
    arrow("left arrow at 1", "F8 03 01", Half + "81C3E7FF81818181", Half + "C3E7FF8181818181");
    // Slot 0 is all lit, so the text ^0 is a solid block coming in from the right, passing, and starting over.
    const auto scroll = [&rows](const char *name, const char *speedFrame, int ms) {
        rows.append({name, "F9 00 FF FF FF FF FF FF FF FF " + QString(speedFrame) + " FD 00 |",
            QStringLiteral("%1 0=FFFFFFFFFFFFFFFF +%2 0000000000000000000000000000FFFF +1 00000000000000000000000000FFFFFF "
                           "+%3 0000FFFFFFFFFFFFFFFF000000000000 +%4 FF000000000000000000000000000000 +%5 %1 "
                           "+%5 000000000000000000000000000000FF").arg(Blank).arg(3 * ms - 1).arg(11 * ms).arg(9 * ms).arg(ms)});
    };
    scroll("no speed chosen: speed 2", "", 100);
    scroll("speed 0", "FA 39", 240);
    scroll("speed 1", "FA 31", 160);
    scroll("speed 3", "FA 21", 60);
    for (const auto &[name, stream, shown] : rows) {
        LedModule module;
        QStringList said{run(module, stream)};
        for (const QString &wait : shown.split(" +").mid(1)) {
            module.elapse(wait.section(' ', 0, 0).toInt());
            said << wait.section(' ', 0, 0) + ' ' + display(module);
        }
        QVERIFY2(said.join(" +") == shown, qPrintable(name + ": " + said.join(" +")));
    }
}

// The start-up screen comes back with every slot as it was, a scrolling one
// scrolls again; nothing of a broken state is taken over.
void ModuleTest::keepsItsStoredState()
{
    const QString kept = "FF181818181818FF" + Half + " 3=FF181818181818FF 5=FFFFFFFFFFFFFFFF 7=0102030405060708";
    const QString refused = "FF00000000000000" + Half + " 3=FF00000000000000";
    const QList<std::array<QString, 3>> rows{ // name, "old>new" in the stored text, the module after
        {"as stored", "", kept}, {"another file", "*>[Settings]\nCommPort=1\n", refused},
        {"slot of two bytes", "slot 3 FF181818181818FF>slot 3 FF18", refused}, {"slot 10", "slot 3 >slot 10 ", refused},
        {"speed 4", "speed 2>speed 4", refused}, {"animation 4", "animations -1 -1>animations 4 -1", refused},
        {"unknown line", "*>*brightness 9\n", refused}};
    LedModule before;
    run(before, "F9 03 FF 18 18 18 18 18 18 FF F9 07 01 02 03 04 05 06 07 08 FE 03 20 F7 1B FE 42 42 F9 05 FF FF FF FF FF FF FF FF");
    for (const auto &[name, edit, expected] : rows) {
        QByteArray state = before.storedState();
        const QByteArray from = edit.section('>', 0, 0).toLatin1(), to = edit.section('>', 1).toLatin1();
        state = from == "*" ? QByteArray(to).replace("*", state) : state.replace(from, to);
        LedModule after;
        run(after, "F9 03 FF 00 00 00 00 00 00 00 FE 03 20 F7 1B");
        after.restoreStoredState(state);
        const QString shown = run(after, "");
        QVERIFY2(shown == expected && !after.isMoving(), qPrintable(name + ": " + shown));
    }
    LedModule scrolling, restarted;
    run(scrolling, "F9 00 FF FF FF FF FF FF FF FF FA 21 FD 00 | F7 1B FE 41 41");
    QVERIFY(restarted.restoreStoredState(scrolling.storedState()));
    restarted.elapse(60);
    QCOMPARE(display(restarted), "000000000000000000000000000000FF");
}

// vexel-module as a program, driven by steps, " / " between what they tell:
// "start OPTIONS" (tells "refused STATUS" when it ends with an error and no link;
// "start-copy" runs a copy placed in the folder, whose settings name port 4),
// "open", "write HEX" (on COM1, or on the far end of the device ADAPTER),
// "gap MS", "asleep MS" (whether it waited without waking up), "close", "heard MS" (what came back within MS), "said PREFIX"
// (the module's next line starting so), "saw PREFIX" (its lines so far),
// "display" (the next display it prints), "stop SIGNAL" and "at PATH"; ADAPTER
// is the test's pseudo-terminal, which a link before the start may lead to.
void ModuleTest::program()
{
    const QString box = "######## ........, #......# ........, #......# ........, #......# ........, "
                        "#......# ........, #......# ........, #......# ........, ######## ........";
    // Name; before: nothing, "file" (COM1, or the path given), or a link "NAME>target"; steps; what they told.
    QList<std::array<QString, 4>> rows{
    {"a store split with short gaps", "", "start; write F9 09; gap 5; write 10 00 00; gap 5; write 00 00 00 00 00; "
        "said frame; heard 100", "frame F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9 / heard AA"},
    {"a long gap cuts a bitmap short", "", "start; write FC 01 10; gap 300; write F7 1B; said frame; said frame; heard 100",
        "frame FC 01 10 cut-short display-bitmap (3 of 10 bytes) / frame F7 1B save-startup / heard AA"},
    {"bad and cut-short stores get no answer", "",
        "start; write F9 0A " + Empty8 + " F7 00 F9 05 10; said frame; said frame; said frame; heard 100",
        "frame F9 0A " + Empty8 + " bad save-bitmap slot=10 / frame F7 00 bad save-startup marker=0x00 / "
        "frame F9 05 10 cut-short save-bitmap (3 of 10 bytes) / heard "},
    {"the answer as told", "", "start --ack none; write F7 1B; heard 200; stop 15; start --ack double; write F7 1B; "
        "heard 200; stop 15; start --ack byte:55; write F7 1B; heard 200; stop 15; start --ack delay:300; write F7 1B; "
        "heard 200; heard 1000", "heard  / stopped / heard AA AA / stopped / heard 55 / stopped / heard  / heard AA"},
    // The answer to a store that finds the line closed does not wait in the pty for whoever opens it next.
    {"each connection served alone", "", "start --ack delay:200; write F7 1B; close; said answer; write F7 1B; heard 500",
        "answer AA dropped: line closed / heard AA"},
    // A new peer is told at once, not found by looking now and then.
    {"waiting for a peer without polling", "", "start; asleep 500; write FE 41 41; said frame", "asleep / frame FE 41 41 static-chars first=\"A\" second=\"A\""},
    // The start-up screen shows ^3 from slot 3; after a restart the screen and the slot are back.
    {"start-up screen across a restart", "", "start; write F9 03 FF 18 18 18 18 18 18 FF FE 03 20 F7 1B FE 41 41; "
        "said frame FE 41 41; stop 15; start; saw display; write FE 03 20; said frame FE 03 20; display",
        "frame FE 41 41 static-chars first=\"A\" second=\"A\" / stopped / display " + box
            + " / frame FE 03 20 static-chars first=^3 second=\" \" / display " + box},
    {"attached to a device", "", "start --device ADAPTER; saw device; write F9 01 10 00 00 00 00 00 00 00; heard 100; "
        "said frame; at COM1; stop 15", "device ADAPTER / heard AA / frame F9 01 10 00 00 00 00 00 00 00 save-bitmap slot=1 / no COM1 / stopped"},
    // The module ends with an error and leaves whatever COM1 was alone; 2 for bad usage.
    {"refused: COM1 is a plain file", "file", "start; at COM1", "refused 1 / COM1 file keep me"},
    {"refused: COM1 leads to a real device", "COM1>/dev/null", "start; at COM1", "refused 1 / COM1 -> /dev/null"},
    {"refused: COM1 leads to an adapter unplugged", "COM1>/dev/ttyUSB-gone", "start; at COM1",
        "refused 1 / COM1 -> /dev/ttyUSB-gone"},
    {"refused: COM1 leads to a running module's or bridge's pseudo-terminal", "COM1>ADAPTER", "start; at COM1",
        "refused 1 / COM1 -> PTY"},
    {"refused: COM1 leads to a pseudo-terminal held only at its far end, as a running module holds it", "COM1>LONE",
        "start; at COM1", "refused 1 / COM1 -> PTY"},
    // Killed, it leaves its link, and the next module is given the same pseudo-terminal.
    {"a killed module's link is replaced", "", "start; stop 9; start; at COM1", "not stopped cleanly / COM1 -> PTY"},
    {"refused: unknown answer", "", "start --ack sometimes; at COM1", "refused 2 / no COM1"},
    {"refused: answer byte of three digits", "", "start --ack byte:1AA; at COM1", "refused 2 / no COM1"},
    {"refused: port 0", "", "start --port 0; at COM1", "refused 2 / no COM1"},
    {"refused: port 21, which the panel does not list", "", "start --port 21; at COM21", "refused 2 / no COM21"},
    {"refused: a stray argument", "", "start 3; at COM1", "refused 2 / no COM1"},
    {"refused: a device and a port", "", "start --device ADAPTER --port 3; at COM3", "refused 2 / no COM3"},
    {"refused: missing folder", "", "start --dir /nonexistent/vexel; at COM1", "refused 1 / no COM1"},
    // Without --dir its own folder; the user's folder only for a port the administrator left free.
    {"in its own folder", "", "start-copy --port 2; at COM2", "COM2 -> PTY"},
    {"in its own folder, though the user's is there", "file config/vexelapp/notes", "start-copy --port 2; at COM2", "COM2 -> PTY"},
    {"on the port its settings name", "", "start-copy --settings-port; at COM4", "COM4 -> PTY"},
    {"in the user's folder, made on the way", "", "start-copy --port 2 --dir ROOT/config/vexelapp; at config/vexelapp/COM2",
        "config/vexelapp/COM2 -> PTY"},
    {"refused: the user's folder for a port the administrator mapped", "COM2>/dev/null",
        "start-copy --port 2 --dir ROOT/config/vexelapp; at config/vexelapp/COM2", "refused 1 / no config/vexelapp/COM2"}};
    // A link left by a module that died leads to a pseudo-terminal that is gone; it is replaced, and the new
    // one goes at the end.
    for (const auto &[name, signal] : {std::pair{"stale link replaced, own removed at SIGTERM", "15"},
                                       {"stale link replaced, own removed at SIGINT", "2"}, {"stale link replaced, own removed at SIGHUP", "1"}})
        rows.append({name, "COM1>/dev/pts/2000000", "start; at COM1; open; stop " + QString(signal) + "; at COM1",
            "COM1 -> PTY / stopped / no COM1"});
    for (const auto &[name, before, steps, expected] : rows) {
        QTemporaryDir dir;
        PtyPair adapter;
        const int lone = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const auto closeLone = qScopeGuard([lone] { ::close(lone); });
        QVERIFY(lone >= 0 && ::grantpt(lone) == 0 && ::unlockpt(lone) == 0);
        QVERIFY(writeFile(dir.filePath("vexel.ini"), "[Settings]\nCommPort=4\n"));
        QVERIFY(before.isEmpty() || (before.startsWith("file") ? writeFile(dir.filePath(before == "file" ? "COM1" : before.mid(5)), "keep me")
                                     : QFile::link(before.section('>', 1).replace("ADAPTER", adapter.slavePath())
                                                       .replace("LONE", QString::fromLocal8Bit(::ptsname(lone))),
                                                   dir.filePath(before.section('>', 0, 0)))));
        std::optional<RunningModule> module;
        std::optional<QSerialPort> line; // COM1, unless the module serves the adapter; not emptied on opening
        QStringList told;
        for (const QString &step : steps.split("; ")) {
            const QString verb = step.section(' ', 0, 0), what = step.section(' ', 1);
            if (verb.startsWith("start")) {
                line.reset();
                module.emplace(dir.path());
                const QString options = QString(what).replace("ADAPTER", adapter.slavePath()).replace("ROOT", dir.path());
                if (!module->start(options.split(' ', Qt::SkipEmptyParts), verb == "start-copy"))
                    told << (module->process().exitCode() != 0 && !module->process().readAllStandardError().isEmpty()
                             && module->seen("link ").isEmpty() ? "refused " + QString::number(module->process().exitCode())
                                                                : "did not start");
            } else if (verb == "open" || verb == "write") {
                const bool onAdapter = !module->seen("device ").isEmpty();
                if (!line && !onAdapter)
                    QVERIFY(line.emplace(module->linkPath()).open(QIODevice::ReadWrite));
                const QByteArray bytes = QByteArray::fromHex(what.toLatin1());
                QVERIFY2(onAdapter ? adapter.write(bytes) : line->write(bytes) == bytes.size() && line->flush(), qPrintable(step));
            } else if (verb == "gap") {
                QTest::qSleep(what.toInt());
            } else if (verb == "asleep") {
                qint64 woke = -wakeUps(module->process().processId());
                QTest::qSleep(what.toInt());
                woke += wakeUps(module->process().processId());
                told << (woke < 3 ? "asleep" : QStringLiteral("woke %1 times").arg(woke));
            } else if (verb == "close") {
                line.reset();
            } else {
                if (verb == "heard" && line)
                    QTest::qWait(what.toInt());
                const QByteArray heard = verb != "heard" ? QByteArray() : line ? line->readAll() : adapter.read(64, what.toInt());
                told << (verb == "heard" ? "heard " + QString::fromLatin1(heard.toHex(' ').toUpper())
                         : verb == "said" ? (module->waitFor(what) ? what + module->seen(what).last() : "nothing like " + what)
                         : verb == "saw" ? what + module->seen(what).join(',')
                         : verb == "display" ? "display " + module->nextDisplay().join(", ")
                         : verb == "stop" ? (module->stop(what.toInt()) ? "stopped" : "not stopped cleanly")
                         : verb == "at" ? entry(dir.path(), what) : "no step " + step);
            }
        }
        const QString said = told.join(" / ").replace(adapter.slavePath(), "ADAPTER");
        QVERIFY2(said == expected, qPrintable(name + ": " + said));
    }
}

// A program folder and stand-ins for /dev and /sys (/proc stays the real one):
// ttyS0 has no UART, ttyS1 has one, COM3 leads nowhere, COM4 is a plain file,
// COM5 leads to ttyS1, COM6 to a USB adapter; then vexel-ports itself, where
// COM8 leads to a pseudo-terminal and COM9 to a device that is no terminal.
void ModuleTest::portFinder()
{
    const PortSurvey::PortStatus status{1, "/dev/ttyS0", "/dev/ttyS0", false, false, {{41, "vexelapp"}, {42, "minicom"}}, {}, {}};
    QCOMPARE(PortSurvey::describe(status), "present; you may not open it: join the dialout group with "
             "`sudo usermod -aG dialout $USER`, then log in again; held open by 41 (vexelapp), 42 (minicom)");

    QTemporaryDir root;
    const QString dev = root.filePath("dev"), program = root.filePath("program");
    for (const char *name : {"dev/ttyUSB0", "dev/ttyUSB1", "dev/ttyACM0", "dev/ttyS0", "dev/ttyS1", "program/COM4",
                             "sys/class/tty/ttyACM0/dev"})
        QVERIFY(writeFile(root.filePath(name)));
    QVERIFY(writeFile(root.filePath("sys/class/tty/ttyS0/type"), "0\n") && writeFile(root.filePath("sys/class/tty/ttyS1/type"), "4\n"));
    const QString byId = dev + "/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0";
    QVERIFY(QDir().mkpath(dev + "/serial/by-id") && QFile::link("../../ttyUSB1", byId));
    QVERIFY(QFile::link("/nonexistent/ttyUSB7", program + "/COM3") && QFile::link(dev + "/ttyS1", program + "/COM5"));
    QVERIFY(QFile::link(dev + "/ttyACM0", program + "/COM6"));
    const PortSurvey survey(program, dev, "/proc", root.filePath("sys"), root.filePath("user"));
    QStringList reports;
    for (int number = 1; number <= 7; ++number)
        reports << survey.portPath(number).remove(root.path() + '/') + ": " + PortSurvey::describe(survey.status(number, {}));
    QCOMPARE(reports, (QStringList{"dev/ttyS0: present, but no serial hardware behind it; you may open it",
                                   "dev/ttyS1: present; you may open it", "program/COM3: missing: the link leads nowhere",
                                   "program/COM4: present, but not a serial device: a plain file",
                                   "program/COM5: present; you may open it",
                                   "program/COM6: present; you may open it", "dev/ttyS6: missing"}));
    // One line per device: the stable name when there is one, where it leads, and the port already reaching it.
    QStringList devices;
    for (const PortSurvey::UsbDevice &device : survey.usbDevices())
        devices << QStringLiteral("%1 %2 %3").arg(device.path, device.device).arg(device.port);
    QCOMPARE(devices, (QStringList{dev + "/ttyACM0 " + dev + "/ttyACM0 6", dev + "/ttyUSB0 " + dev + "/ttyUSB0 0",
                                   byId + ' ' + dev + "/ttyUSB1 0"}));
    QCOMPARE(survey.freePorts().mid(0, 3), (QList<int>{1, 2, 7}));
    QCOMPARE(survey.linkCommand(byId, 7), QStringLiteral("ln -s %1 %2/COM7").arg(byId, program));

    // The program itself, on a port this test holds open, started without HOME and with a relative
    // XDG_CONFIG_HOME, which the XDG rules ignore: the user's folder is the password database's home's.
    PtyPair pty;
    QVERIFY(QFile::link(pty.slavePath(), program + "/COM8") && QFile::link("/dev/null", program + "/COM9"));
    QVERIFY(writeFile(program + "/vexel.ini", "[Settings]\nCommPort = COM6 ; the adapter\n"));
    const Finished ports = runToEnd(VEXEL_PORTS_PATH, {"--dir", program, "--suggest"}, {}, {"HOME=", "XDG_CONFIG_HOME=config"});
    QVERIFY2(ports.out.contains(QString(" your folder %1/.config/vexelapp,").arg(::getpwuid(::getuid())->pw_dir)), qPrintable(ports.out));
    const QStringList lines = ports.out.split('\n').filter(QRegularExpression("^port "));
    QVERIFY2(ports.status == 0 && lines.size() == PortSurvey::PortCount, qPrintable(ports.out));
    QVERIFY2(lines[7].startsWith(QString("port 8  %1/COM8 -> %2  present").arg(program, pty.slavePath())), qPrintable(lines[7]));
    QVERIFY2(lines[7].contains(QStringLiteral("held open by %1 (").arg(QCoreApplication::applicationPid())), qPrintable(lines[7]));
    QVERIFY2(lines[3].startsWith(QString("port 4  %1/COM4 ").arg(program)), qPrintable(lines[3]));
    QVERIFY2(lines[8].contains("/dev/null  present, but not a serial device: another kind of device"), qPrintable(lines[8]));
    QVERIFY2(ports.out.contains(QString("\nvexel.ini (%1/vexel.ini) selects port 6: CommPort \"COM6 ; the adapter\", read as 6.\n").arg(program)),
             qPrintable(ports.out));
}

QTEST_GUILESS_MAIN(ModuleTest)
#include "tst_module.moc"

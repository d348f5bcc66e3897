#include "FrameDecoder.h"
#include "LedModule.h"

#include <QTest>

namespace {

// Feeds a stream of hex bytes to a decoder, at once or byte by byte; "|"
// stands for the line falling silent.
QList<Frame> feed(const QString &stream, bool byteByByte)
{
    FrameDecoder decoder;
    QList<Frame> frames;
    const QStringList parts = stream.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray bytes = QByteArray::fromHex(parts[i].toLatin1());
        if (byteByByte) {
            for (const char byte : bytes)
                frames += decoder.feed(QByteArray(1, byte));
        } else {
            frames += decoder.feed(bytes);
        }
        if (i + 1 < parts.size()) {
            if (const auto frame = decoder.pause())
                frames << *frame;
        }
    }
    return frames;
}

void run(LedModule &module, const QString &stream)
{
    for (const Frame &frame : feed(stream, false))
        module.apply(frame);
}

// The display as the panel's dot grid draws it: rows top to bottom are the bits 16, 32, 64, 128, 1, 2, 4, 8.
QStringList picture(const LedModule &module)
{
    QStringList rows;
    for (const int weight : {16, 32, 64, 128, 1, 2, 4, 8}) {
        QString line;
        for (int column = 0; column < LedModule::ColumnCount; ++column)
            line += QString(column == 8 ? " " : "") + (module.display()[column] & weight ? '#' : '.');
        rows << line;
    }
    return rows;
}

template<std::size_t N>
QString hex(const std::array<std::uint8_t, N> &bytes)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes.data()), int(N)).toHex().toUpper());
}

// "n=pattern" for every slot that holds anything.
QString filledSlots(const LedModule &module)
{
    QStringList filled;
    for (int n = 0; n < ModuleProtocol::SlotCount; ++n) {
        if (module.slot(n) != Pattern{})
            filled << QStringLiteral("%1=%2").arg(n).arg(hex(module.slot(n)));
    }
    return filled.join(QLatin1Char(' '));
}

const QStringList Blank(8, QStringLiteral("........ ........"));
const QStringList Box = {"######## ........", "#......# ........", "#......# ........", "#......# ........",
                         "#......# ........", "#......# ........", "#......# ........", "######## ........"};
const QString Empty8 = QStringLiteral("00 00 00 00 00 00 00 00");

// The four arrows before they move.
const QStringList Arrows[4] = {
    {"...##...", "..####..", ".######.", "########", "...##...", "...##...", "...##...", "...##..."},
    {"...##...", "...##...", "...##...", "...##...", "########", ".######.", "..####..", "...##..."},
    {"....#...", "....##..", "....###.", "########", "########", "....###.", "....##..", "....#..."},
    {"...#....", "..##....", ".###....", "########", "########", ".###....", "..##....", "...#...."},
};

QStringList inHalf(const QStringList &half, int position)
{
    QStringList rows;
    for (const QString &row : half)
        rows << (position == 0 ? row + " ........" : "........ " + row);
    return rows;
}

} // namespace

class TestModuleDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void showsFrames_data();
    void showsFrames();
    void scrollsAtEachSpeed_data();
    void scrollsAtEachSpeed();
    void animatesArrows_data();
    void animatesArrows();
    void restoresStoredState();
    void rejectsBrokenState_data();
    void rejectsBrokenState();
};

void TestModuleDecoder::decodes_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QStringList>("frames");
    const auto row = [](const char *name, const QString &stream, const QStringList &frames) {
        QTest::newRow(name) << stream << frames;
    };

    row("arrows, names and positions", "F8 03 01 F8 00 00", {"animate arrow=left pos=1", "animate arrow=up pos=0"});
    row("the four speed operands", "FA 39 FA 31 FA 29 FA 21",
        {"scroll-speed speed=0", "scroll-speed speed=1", "scroll-speed speed=2", "scroll-speed speed=3"});
    row("columns that look like opcodes are columns", "FC 01 F8 FE F7 FD FF FC F9 FA", {"display-bitmap pos=1"});
    row("Windows-1252 codes that look like opcodes", "FE FC 80", {"static-chars first=\"ü\" second=\"€\""});
    row("text ended by the next opcode", "FD 48 49 F7 1B", {"scroll-text text=\"HI\" end=opcode", "save-startup"});
    row("empty text ended by the next opcode", "FD FA 21",
        {"scroll-text text=\"\" end=opcode", "scroll-speed speed=3"});
    row("text ended by a pause", "FD 48 49 |", {"scroll-text text=\"HI\" end=pause"});
    row("text ended at 30 characters", "FD" + QString(" 41").repeated(30) + " 42",
        {"scroll-text text=\"" + QString(30, 'A') + "\" end=length", "unknown-byte"});
    row("quote, backslash and control characters in a text", "FD 22 5C 0A 81 |",
        {"scroll-text text=\"\\\"\\\\\\x0A\\x81\" end=pause"});
    row("FB and stray operands are no frames", "FB 1B F7 1B", {"unknown-byte", "unknown-byte", "save-startup"});
    row("opcode instead of a slot", "F9 F7 1B", {"cut-short save-bitmap (1 of 10 bytes)", "save-startup"});
    row("opcode instead of a position", "F8 01 FE 41 42",
        {"cut-short animate (2 of 3 bytes)", "static-chars first=\"A\" second=\"B\""});
    row("bitmap cut short by a pause, then a pause with nothing to end", "FC 01 10 20 | F7 1B |",
        {"cut-short display-bitmap (4 of 10 bytes)", "save-startup"});
    row("slot 10", "F9 0A " + Empty8, {"bad save-bitmap slot=10"});
    row("display position 2", "FC 02 " + Empty8, {"bad display-bitmap pos=2"});
    row("animation 4 at position 2", "F8 04 02", {"bad animate animation=4 pos=2"});
    row("speed operand between two speeds", "FA 28", {"bad scroll-speed operand=0x28"});
    row("wrong start-up marker", "F7 1C", {"bad save-startup marker=0x1C"});
}

// However the bytes are split on the line, the same frames take every byte in order.
void TestModuleDecoder::decodes()
{
    QFETCH(QString, stream);
    QFETCH(QStringList, frames);
    for (const bool byteByByte : {false, true}) {
        QStringList descriptions;
        QByteArray bytes;
        for (const Frame &frame : feed(stream, byteByByte)) {
            descriptions << frame.description();
            bytes += frame.bytes;
        }
        QCOMPARE(descriptions, frames);
        QCOMPARE(bytes, QByteArray::fromHex(QString(stream).remove(QLatin1Char('|')).toLatin1()));
    }
}

void TestModuleDecoder::showsFrames_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QStringList>("display");
    QTest::addColumn<QString>("filled"); // "n=pattern" for each slot that holds anything

    QTest::newRow("bitmaps at both positions, in the grid's row order")
        << "FC 00 10 00 00 00 00 00 00 00 FC 01 80 01 00 00 00 00 00 08"
        << QStringList{"#....... ........", "........ ........", "........ ........", "........ #.......",
                       "........ .#......", "........ ........", "........ ........", "........ .......#"} << "";
    QTest::newRow("a letter, and a box for a character the font lacks") << "FE 41 E9"
        << QStringList{"..###... .#####..", ".#...#.. .#...#..", ".#...#.. .#...#..", ".#####.. .#...#..",
                       ".#...#.. .#...#..", ".#...#.. .#...#..", ".#...#.. .#####..", "........ ........"} << "";
    QTest::newRow("custom character from a slot")
        << "F9 03 FF 18 18 18 18 18 18 FF FE 03 20" << Box << "3=FF181818181818FF";
    QTest::newRow("a later save leaves the shown character")
        << "F9 03 FF 00 00 00 00 00 00 00 FE 03 03 F9 03 01 00 00 00 00 00 00 00" << QStringList(8, "#....... #.......")
        << "3=0100000000000000";
    QTest::newRow("slots 0 and 9") << "F9 00 01 02 03 04 05 06 07 08 F9 09 10 00 00 00 00 00 00 FF" << Blank
                                   << "0=0102030405060708 9=10000000000000FF";
    QTest::newRow("bad and cut-short frames change nothing")
        << "FC 02 FF FF FF FF FF FF FF FF F9 0A FF FF FF FF FF FF FF FF F8 04 00 FE 41 | FC 00 FF FF | F9 02 FF FF |"
        << Blank << "";
    QTest::newRow("an empty scroll text clears the display") << "FE 41 42 FD |" << Blank << "";
    QTest::newRow("a scroll text starts from a blank display") << "FE 41 42 FD 41 42 |" << Blank << "";
}

void TestModuleDecoder::showsFrames()
{
    QFETCH(QString, stream);
    QFETCH(QStringList, display);
    QFETCH(QString, filled);
    LedModule module;
    run(module, stream);
    QCOMPARE(picture(module), display);
    QCOMPARE(filledSlots(module), filled);
}

void TestModuleDecoder::scrollsAtEachSpeed_data()
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
void TestModuleDecoder::scrollsAtEachSpeed()
{
    QFETCH(QString, speedFrame);
    QFETCH(int, stepMs);
    LedModule module;
    run(module, "F9 00 FF FF FF FF FF FF FF FF " + speedFrame + " FD 00 |");
    const std::pair<int, const char *> steps[] = {
        {3 * stepMs - 1, "0000000000000000000000000000FFFF"}, {1, "00000000000000000000000000FFFFFF"},
        {11 * stepMs, "0000FFFFFFFFFFFFFFFF000000000000"}, {9 * stepMs, "FF000000000000000000000000000000"},
        {stepMs, "00000000000000000000000000000000"}, {stepMs, "000000000000000000000000000000FF"}};
    for (const auto &[milliseconds, display] : steps) {
        module.elapse(milliseconds);
        QCOMPARE(hex(module.display()), display);
    }
}

void TestModuleDecoder::animatesArrows_data()
{
    QTest::addColumn<int>("animation");
    QTest::addColumn<int>("position");

    QTest::newRow("up arrow at 0") << 0 << 0;
    QTest::newRow("down arrow at 1") << 1 << 1;
    QTest::newRow("right arrow at 0") << 2 << 0;
    QTest::newRow("left arrow at 1") << 3 << 1;
}

// One step moves the arrow one dot towards its point, wrapping round.
void TestModuleDecoder::animatesArrows()
{
    QFETCH(int, animation);
    QFETCH(int, position);
    const QStringList start = Arrows[animation];
    QStringList moved;
    switch (animation) {
    case 0: moved = start.mid(1) + start.mid(0, 1); break;
    case 1: moved = start.mid(7) + start.mid(0, 7); break;
    case 2: for (const QString &row : start) moved << row.right(1) + row.left(7); break;
    case 3: for (const QString &row : start) moved << row.mid(1) + row.left(1); break;
    }

    LedModule module;
    run(module, QStringLiteral("F8 0%1 0%2").arg(animation).arg(position));
    QCOMPARE(picture(module), inHalf(start, position));
    module.elapse(LedModule::AnimationStepMs - 1);
    QCOMPARE(picture(module), inHalf(start, position));
    module.elapse(1);
    QCOMPARE(picture(module), inHalf(moved, position));
    module.elapse(7 * LedModule::AnimationStepMs);
    QCOMPARE(picture(module), inHalf(start, position));
}

// The start-up screen comes back with every slot as it was last, and a scrolling one scrolls again.
void TestModuleDecoder::restoresStoredState()
{
    LedModule before;
    run(before, "F9 03 FF 18 18 18 18 18 18 FF F9 07 01 02 03 04 05 06 07 08 FE 03 20 F7 1B "
                "FE 42 42 F9 05 FF FF FF FF FF FF FF FF");
    LedModule after;
    QVERIFY(after.restoreStoredState(before.storedState()));
    QCOMPARE(picture(after), Box);
    QCOMPARE(filledSlots(after), "3=FF181818181818FF 5=FFFFFFFFFFFFFFFF 7=0102030405060708");
    QVERIFY(!after.isMoving());

    LedModule scrolling;
    run(scrolling, "F9 00 FF FF FF FF FF FF FF FF FA 21 FD 00 | F7 1B FE 41 41");
    LedModule restarted;
    QVERIFY(restarted.restoreStoredState(scrolling.storedState()));
    restarted.elapse(60);
    QCOMPARE(hex(restarted.display()), "000000000000000000000000000000FF");
}

void TestModuleDecoder::rejectsBrokenState_data()
{
    QTest::addColumn<QByteArray>("state");

    const QByteArray good = LedModule().storedState();
    QTest::newRow("another file") << QByteArray("[Settings]\nCommPort=1\n");
    QTest::newRow("slot of two bytes") << QByteArray(good).replace("slot 3 0000000000000000", "slot 3 0000");
    QTest::newRow("slot 10") << QByteArray(good).replace("slot 3 ", "slot 10 ");
    QTest::newRow("speed 4") << QByteArray(good).replace("speed 2", "speed 4");
    QTest::newRow("animation 4") << QByteArray(good).replace("animations -1 -1", "animations 4 -1");
    QTest::newRow("unknown line") << good + "brightness 9\n";
}

// Nothing of a broken state is taken over.
void TestModuleDecoder::rejectsBrokenState()
{
    QFETCH(QByteArray, state);
    LedModule module;
    run(module, "F9 01 FF FF FF FF FF FF FF FF FE 01 41");
    const QStringList shown = picture(module);
    QVERIFY(!module.restoreStoredState(state));
    QCOMPARE(picture(module), shown);
    QCOMPARE(filledSlots(module), "1=FFFFFFFFFFFFFFFF");
}

QTEST_APPLESS_MAIN(TestModuleDecoder)
#include "tst_moduledecoder.moc"

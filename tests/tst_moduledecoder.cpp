#include "FrameDecoder.h"
#include "LedModule.h"

#include <QTest>

namespace {

// The module's rows from top to bottom, as the panel's dot grid draws them.
constexpr int RowWeights[8] = {16, 32, 64, 128, 1, 2, 4, 8};

QByteArray bytes(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

QString repeated(const QString &hex, int times)
{
    QStringList parts;
    for (int i = 0; i < times; ++i)
        parts << hex;
    return parts.join(QLatin1Char(' '));
}

enum class Chunking { AsGiven, Joined, ByteByByte };

// A stream is a list of hex chunks; the chunk "pause" stands for the line
// falling silent for the decoder's pause.
QStringList decode(const QStringList &stream, Chunking chunking)
{
    FrameDecoder decoder;
    QStringList lines;
    auto take = [&lines](const QList<Frame> &frames) {
        for (const Frame &frame : frames)
            lines << frame.hex() + QLatin1Char(' ') + frame.description();
    };
    QByteArray joined;
    for (const QString &chunk : stream) {
        if (chunk == QLatin1String("pause")) {
            take(decoder.feed(joined));
            joined.clear();
            if (const auto frame = decoder.pause())
                take({*frame});
        } else if (chunking == Chunking::Joined) {
            joined += bytes(chunk);
        } else if (chunking == Chunking::ByteByByte) {
            for (const char byte : bytes(chunk))
                take(decoder.feed(QByteArray(1, byte)));
        } else {
            take(decoder.feed(bytes(chunk)));
        }
    }
    take(decoder.feed(joined));
    return lines;
}

void run(LedModule &module, const QStringList &stream)
{
    FrameDecoder decoder;
    for (const QString &chunk : stream) {
        if (chunk == QLatin1String("pause")) {
            if (const auto frame = decoder.pause())
                module.apply(*frame);
        } else {
            for (const Frame &frame : decoder.feed(bytes(chunk)))
                module.apply(frame);
        }
    }
}

QStringList picture(const LedModule &module)
{
    QStringList rows;
    for (int row = 0; row < 8; ++row) {
        QString line;
        for (int column = 0; column < LedModule::ColumnCount; ++column) {
            if (column == 8)
                line += QLatin1Char(' ');
            line += module.display()[column] & RowWeights[row] ? QLatin1Char('#') : QLatin1Char('.');
        }
        rows << line;
    }
    return rows;
}

QString displayHex(const LedModule &module)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(module.display().data()),
                                          LedModule::ColumnCount).toHex().toUpper());
}

QString slotHex(const LedModule &module, int slot)
{
    const Pattern pattern = module.slot(slot);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(pattern.data()), 8).toHex().toUpper());
}

const QStringList Blank(8, QStringLiteral("........ ........"));

// The four arrows before they move, in a half of their own.
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
        rows << (position == 0 ? row + QStringLiteral(" ........") : QStringLiteral("........ ") + row);
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
    void savesIntoOneSlot_data();
    void savesIntoOneSlot();
    void scrollsAtEachSpeed_data();
    void scrollsAtEachSpeed();
    void scrollStartsOverAfterTheText();
    void animatesArrows_data();
    void animatesArrows();
    void restoresStoredState();
    void rejectsBrokenState_data();
    void rejectsBrokenState();
};

void TestModuleDecoder::decodes_data()
{
    QTest::addColumn<QStringList>("stream");
    QTest::addColumn<QStringList>("frames");

    const QString empty8 = repeated(QStringLiteral("00"), 8);
    QTest::newRow("save start-up screen") << QStringList{"F7 1B"} << QStringList{"F7 1B save-startup"};
    QTest::newRow("left arrow at 0") << QStringList{"F8 03 00"} << QStringList{"F8 03 00 animate arrow=left pos=0"};
    QTest::newRow("up arrow at 1") << QStringList{"F8 00 01"} << QStringList{"F8 00 01 animate arrow=up pos=1"};
    QTest::newRow("save top-left dot in slot 9")
        << QStringList{"F9 09 10 00 00 00 00 00 00 00"}
        << QStringList{"F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9"};
    QTest::newRow("the four speed operands")
        << QStringList{"FA 39 FA 31", "FA 29 FA 21"}
        << QStringList{"FA 39 scroll-speed speed=0", "FA 31 scroll-speed speed=1", "FA 29 scroll-speed speed=2",
                       "FA 21 scroll-speed speed=3"};
    QTest::newRow("display at position 1")
        << QStringList{"FC 01 10 00 00 00 00 00 00 00"}
        << QStringList{"FC 01 10 00 00 00 00 00 00 00 display-bitmap pos=1"};
    QTest::newRow("columns that look like opcodes are columns")
        << QStringList{"FC 00 F8 FE F7 FD FF FC F9 FA"}
        << QStringList{"FC 00 F8 FE F7 FD FF FC F9 FA display-bitmap pos=0"};
    QTest::newRow("two letters") << QStringList{"FE 41 42"} << QStringList{"FE 41 42 static-chars first=\"A\" second=\"B\""};
    QTest::newRow("custom characters 0 and 9") << QStringList{"FE 00 09"} << QStringList{"FE 00 09 static-chars first=^0 second=^9"};
    QTest::newRow("Windows-1252 characters")
        << QStringList{"FE 80 E9"} << QStringList{QString::fromUtf8("FE 80 E9 static-chars first=\"€\" second=\"é\"")};
    QTest::newRow("a character code that looks like an opcode")
        << QStringList{"FE FC 41"} << QStringList{QString::fromUtf8("FE FC 41 static-chars first=\"ü\" second=\"A\"")};
    QTest::newRow("text ended by the next opcode")
        << QStringList{"FD 48 49 F7 1B"}
        << QStringList{"FD 48 49 scroll-text text=\"HI\" end=opcode", "F7 1B save-startup"};
    QTest::newRow("empty text ended by the next opcode")
        << QStringList{"FD FA 21"} << QStringList{"FD scroll-text text=\"\" end=opcode", "FA 21 scroll-speed speed=3"};
    QTest::newRow("text ended by a pause")
        << QStringList{"FD 48", "49", "pause"} << QStringList{"FD 48 49 scroll-text text=\"HI\" end=pause"};
    QTest::newRow("empty text ended by a pause") << QStringList{"FD", "pause"} << QStringList{"FD scroll-text text=\"\" end=pause"};
    QTest::newRow("text ended at 30 characters")
        << QStringList{"FD " + repeated("41", 30) + " 42"}
        << QStringList{"FD " + repeated("41", 30) + " scroll-text text=\"" + QString(30, 'A') + "\" end=length",
                       "42 unknown-byte"};
    QTest::newRow("quote, backslash and control characters in a text")
        << QStringList{"FD 22 5C 0A 81", "pause"} << QStringList{"FD 22 5C 0A 81 scroll-text text=\"\\\"\\\\\\x0A\\x81\" end=pause"};
    QTest::newRow("FB is no opcode") << QStringList{"FB F7 1B"} << QStringList{"FB unknown-byte", "F7 1B save-startup"};
    QTest::newRow("stray operands")
        << QStringList{"1B 00 AA"} << QStringList{"1B unknown-byte", "00 unknown-byte", "AA unknown-byte"};
    QTest::newRow("opcode instead of a slot")
        << QStringList{"F9 F7 1B"} << QStringList{"F9 cut-short save-bitmap (1 of 10 bytes)", "F7 1B save-startup"};
    QTest::newRow("opcode instead of a position")
        << QStringList{"F8 01 FE 41 42"}
        << QStringList{"F8 01 cut-short animate (2 of 3 bytes)", "FE 41 42 static-chars first=\"A\" second=\"B\""};
    QTest::newRow("opcode instead of a speed operand")
        << QStringList{"FA FD 41", "pause"}
        << QStringList{"FA cut-short scroll-speed (1 of 2 bytes)", "FD 41 scroll-text text=\"A\" end=pause"};
    QTest::newRow("opcode instead of the 1B marker")
        << QStringList{"F7 F7 1B"} << QStringList{"F7 cut-short save-startup (1 of 2 bytes)", "F7 1B save-startup"};
    QTest::newRow("bitmap cut short by a pause")
        << QStringList{"FC 01 10 20", "pause", "F7 1B"}
        << QStringList{"FC 01 10 20 cut-short display-bitmap (4 of 10 bytes)", "F7 1B save-startup"};
    QTest::newRow("characters cut short by a pause")
        << QStringList{"FE 41", "pause"} << QStringList{"FE 41 cut-short static-chars (2 of 3 bytes)"};
    QTest::newRow("a pause between frames ends nothing")
        << QStringList{"F7 1B", "pause", "F7 1B"} << QStringList{"F7 1B save-startup", "F7 1B save-startup"};
    QTest::newRow("slot 10")
        << QStringList{"F9 0A " + empty8, "F7 1B"}
        << QStringList{"F9 0A " + empty8 + " bad save-bitmap slot=10", "F7 1B save-startup"};
    QTest::newRow("display position 2")
        << QStringList{"FC 02 " + empty8} << QStringList{"FC 02 " + empty8 + " bad display-bitmap pos=2"};
    QTest::newRow("animation at position 2") << QStringList{"F8 00 02"} << QStringList{"F8 00 02 bad animate pos=2"};
    QTest::newRow("animation 4") << QStringList{"F8 04 00"} << QStringList{"F8 04 00 bad animate animation=4"};
    QTest::newRow("animation and position both bad")
        << QStringList{"F8 05 03"} << QStringList{"F8 05 03 bad animate animation=5 pos=3"};
    QTest::newRow("speed operand between two speeds")
        << QStringList{"FA 28"} << QStringList{"FA 28 bad scroll-speed operand=0x28"};
    QTest::newRow("wrong start-up marker") << QStringList{"F7 1C"} << QStringList{"F7 1C bad save-startup marker=0x1C"};
}

// However the bytes are chunked on the line, the frames come out the same.
void TestModuleDecoder::decodes()
{
    QFETCH(QStringList, stream);
    QFETCH(QStringList, frames);
    QCOMPARE(decode(stream, Chunking::AsGiven), frames);
    QCOMPARE(decode(stream, Chunking::Joined), frames);
    QCOMPARE(decode(stream, Chunking::ByteByByte), frames);
}

void TestModuleDecoder::showsFrames_data()
{
    QTest::addColumn<QStringList>("stream");
    QTest::addColumn<QStringList>("display");

    QTest::newRow("nothing received") << QStringList{} << Blank;
    QTest::newRow("top-left dot of the grid")
        << QStringList{"FC 00 10 00 00 00 00 00 00 00"}
        << QStringList{"#....... ........", "........ ........", "........ ........", "........ ........",
                       "........ ........", "........ ........", "........ ........", "........ ........"};
    QTest::newRow("weights 128, 1 and 8 at position 1")
        << QStringList{"FC 01 80 01 00 00 00 00 00 08"}
        << QStringList{"........ ........", "........ ........", "........ ........", "........ #.......",
                       "........ .#......", "........ ........", "........ ........", "........ .......#"};
    QTest::newRow("bitmaps at both positions")
        << QStringList{"FC 00 FF 00 00 00 00 00 00 00", "FC 01 00 00 00 00 00 00 00 FF"}
        << QStringList(8, QStringLiteral("#....... .......#"));
    QTest::newRow("two letters")
        << QStringList{"FE 41 42"}
        << QStringList{"..###... .####...", ".#...#.. .#...#..", ".#...#.. .#...#..", ".#####.. .####...",
                       ".#...#.. .#...#..", ".#...#.. .#...#..", ".#...#.. .####...", "........ ........"};
    QTest::newRow("custom character from a slot")
        << QStringList{"F9 03 FF 18 18 18 18 18 18 FF", "FE 03 20"}
        << QStringList{"######## ........", "#......# ........", "#......# ........", "#......# ........",
                       "#......# ........", "#......# ........", "#......# ........", "######## ........"};
    QTest::newRow("a later save leaves the shown character")
        << QStringList{"F9 03 FF 00 00 00 00 00 00 00", "FE 03 03", "F9 03 00 00 00 00 00 00 00 00"}
        << QStringList(8, QStringLiteral("#....... #......."));
    QTest::newRow("a character the font lacks shows a box")
        << QStringList{"FE 20 E9"}
        << QStringList{"........ .#####..", "........ .#...#..", "........ .#...#..", "........ .#...#..",
                       "........ .#...#..", "........ .#...#..", "........ .#####..", "........ ........"};
    QTest::newRow("bad and cut-short frames change nothing")
        << QStringList{"FC 02 FF FF FF FF FF FF FF FF", "F8 04 00", "FE 41", "pause", "FC 00 FF FF", "pause"} << Blank;
    QTest::newRow("bitmap over one letter keeps the other")
        << QStringList{"FE 41 41", "FC 00 00 00 00 00 00 00 00 00"}
        << QStringList{"........ ..###...", "........ .#...#..", "........ .#...#..", "........ .#####..",
                       "........ .#...#..", "........ .#...#..", "........ .#...#..", "........ ........"};
    QTest::newRow("an empty scroll text clears the display") << QStringList{"FE 41 42", "FD", "pause"} << Blank;
    QTest::newRow("a scroll text starts from a blank display") << QStringList{"FE 41 42", "FD 41 42", "pause"} << Blank;
}

void TestModuleDecoder::showsFrames()
{
    QFETCH(QStringList, stream);
    QFETCH(QStringList, display);
    LedModule module;
    run(module, stream);
    QCOMPARE(picture(module), display);
}

void TestModuleDecoder::savesIntoOneSlot_data()
{
    QTest::addColumn<QStringList>("stream");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("slot 0") << QStringList{"F9 00 01 02 03 04 05 06 07 08"} << 0 << "0102030405060708";
    QTest::newRow("slot 9") << QStringList{"F9 09 10 00 00 00 00 00 00 FF"} << 9 << "10000000000000FF";
    QTest::newRow("the last save counts")
        << QStringList{"F9 04 FF FF FF FF FF FF FF FF", "F9 04 00 00 00 00 00 00 00 01"} << 4 << "0000000000000001";
    QTest::newRow("slot 10 stores nothing") << QStringList{"F9 0A FF FF FF FF FF FF FF FF"} << 0 << "0000000000000000";
    QTest::newRow("a cut-short save stores nothing")
        << QStringList{"F9 02 FF FF FF", "pause"} << 2 << "0000000000000000";
}

void TestModuleDecoder::savesIntoOneSlot()
{
    QFETCH(QStringList, stream);
    QFETCH(int, slot);
    QFETCH(QString, pattern);
    LedModule module;
    run(module, stream);
    for (int n = 0; n < ModuleProtocol::SlotCount; ++n)
        QCOMPARE(slotHex(module, n), n == slot ? pattern : QStringLiteral("0000000000000000"));
    QCOMPARE(picture(module), Blank);
}

void TestModuleDecoder::scrollsAtEachSpeed_data()
{
    QTest::addColumn<QString>("speedFrame");
    QTest::addColumn<int>("stepMs");

    QTest::newRow("no speed chosen: speed 2") << QString() << 100;
    QTest::newRow("speed 0") << "FA 39" << 240;
    QTest::newRow("speed 1") << "FA 31" << 160;
    QTest::newRow("speed 2") << "FA 29" << 100;
    QTest::newRow("speed 3") << "FA 21" << 60;
}

// Slot 0 is all lit, so the text ^0 shows as a solid block coming in from the right.
void TestModuleDecoder::scrollsAtEachSpeed()
{
    QFETCH(QString, speedFrame);
    QFETCH(int, stepMs);
    LedModule module;
    run(module, {"F9 00 FF FF FF FF FF FF FF FF", speedFrame, "FD 00", "pause"});
    QVERIFY(module.isMoving());
    module.elapse(3 * stepMs - 1);
    QCOMPARE(displayHex(module), QStringLiteral("0000000000000000000000000000FFFF"));
    module.elapse(1);
    QCOMPARE(displayHex(module), QStringLiteral("00000000000000000000000000FFFFFF"));
    module.elapse(11 * stepMs);
    QCOMPARE(displayHex(module), QStringLiteral("0000FFFFFFFFFFFFFFFF000000000000"));
}

void TestModuleDecoder::scrollStartsOverAfterTheText()
{
    LedModule module;
    run(module, {"F9 00 FF FF FF FF FF FF FF FF", "FA 29", "FD 00", "pause"});
    module.elapse(23 * 100);
    QCOMPARE(displayHex(module), QStringLiteral("FF000000000000000000000000000000"));
    module.elapse(100);
    QCOMPARE(displayHex(module), QStringLiteral("00000000000000000000000000000000"));
    module.elapse(100);
    QCOMPARE(displayHex(module), QStringLiteral("000000000000000000000000000000FF"));
}

void TestModuleDecoder::animatesArrows_data()
{
    QTest::addColumn<int>("animation");
    QTest::addColumn<int>("position");

    const char *names[4] = {"up", "down", "right", "left"};
    for (int animation = 0; animation < 4; ++animation) {
        for (int position = 0; position < 2; ++position)
            QTest::addRow("%s arrow at %d", names[animation], position) << animation << position;
    }
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
    run(module, {QStringLiteral("F8 %1 %2").arg(animation, 2, 10, QLatin1Char('0')).arg(position, 2, 10, QLatin1Char('0'))});
    QCOMPARE(picture(module), inHalf(start, position));
    module.elapse(LedModule::AnimationStepMs - 1);
    QCOMPARE(picture(module), inHalf(start, position));
    module.elapse(1);
    QCOMPARE(picture(module), inHalf(moved, position));
    module.elapse(7 * LedModule::AnimationStepMs);
    QCOMPARE(picture(module), inHalf(start, position));
}

void TestModuleDecoder::restoresStoredState()
{
    LedModule before;
    run(before, {"F9 03 FF 18 18 18 18 18 18 FF", "F9 07 01 02 03 04 05 06 07 08", "FE 03 41", "F7 1B"});
    const QStringList saved = picture(before);
    run(before, {"FE 42 42", "F9 05 FF FF FF FF FF FF FF FF"});
    const QByteArray state = before.storedState();

    LedModule after;
    QVERIFY(after.restoreStoredState(state));
    QCOMPARE(picture(after), saved);
    QCOMPARE(slotHex(after, 3), QStringLiteral("FF181818181818FF"));
    QCOMPARE(slotHex(after, 5), QStringLiteral("FFFFFFFFFFFFFFFF"));
    QCOMPARE(slotHex(after, 7), QStringLiteral("0102030405060708"));
    QVERIFY(!after.isMoving());

    LedModule scrolling;
    run(scrolling, {"F9 00 FF FF FF FF FF FF FF FF", "FA 21", "FD 00", "pause", "F7 1B", "FE 41 41"});
    LedModule restarted;
    QVERIFY(restarted.restoreStoredState(scrolling.storedState()));
    QVERIFY(restarted.isMoving());
    QCOMPARE(restarted.speed(), 3);
    restarted.elapse(60);
    QCOMPARE(displayHex(restarted), QStringLiteral("000000000000000000000000000000FF"));
}

void TestModuleDecoder::rejectsBrokenState_data()
{
    QTest::addColumn<QByteArray>("state");

    LedModule module;
    const QByteArray good = module.storedState();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("another file") << QByteArray("[Settings]\nCommPort=1\n");
    QTest::newRow("slot of seven bytes") << QByteArray(good).replace("slot 3 0000000000000000", "slot 3 00000000000000");
    QTest::newRow("slot 10") << QByteArray(good).replace("slot 3 ", "slot 10 ");
    QTest::newRow("not hex") << QByteArray(good).replace("slot 3 0000000000000000", "slot 3 00000000000000XY");
    QTest::newRow("speed 4") << QByteArray(good).replace("speed 2", "speed 4");
    QTest::newRow("animation 4") << QByteArray(good).replace("animations -1 -1", "animations 4 -1");
    QTest::newRow("unknown line") << good + "brightness 9\n";
}

void TestModuleDecoder::rejectsBrokenState()
{
    QFETCH(QByteArray, state);
    LedModule module;
    run(module, {"F9 01 FF FF FF FF FF FF FF FF", "FE 01 41"});
    const QStringList shown = picture(module);
    QVERIFY(!module.restoreStoredState(state));
    QCOMPARE(picture(module), shown);
    QCOMPARE(slotHex(module, 1), QStringLiteral("FFFFFFFFFFFFFFFF"));
}

QTEST_APPLESS_MAIN(TestModuleDecoder)
#include "tst_moduledecoder.moc"

#include "Frame.h"

#include "ModuleProtocol.h"

#include <QStringList>

namespace P = ModuleProtocol;

namespace {

const char *const ArrowNames[P::AnimationCount] = {"up", "down", "right", "left"};

// 0x80..0x9F of Windows-1252; 0 marks the five codes it leaves undefined.
const char16_t Windows1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

QString hexDigits(std::uint8_t byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString quoted(const QByteArray &text)
{
    QString out = QStringLiteral("\"");
    for (const char c : text) {
        const auto code = std::uint8_t(c);
        const char16_t unicode = code >= 0x80 && code < 0xA0 ? Windows1252High[code - 0x80] : code;
        if (code < 0x20 || code == 0x7F || unicode == 0)
            out += QStringLiteral("\\x") + hexDigits(code);
        else if (unicode == u'"' || unicode == u'\\')
            out += QLatin1Char('\\') + QChar(unicode);
        else
            out += QChar(unicode);
    }
    return out + QLatin1Char('"');
}

QString character(std::uint8_t code)
{
    return code < P::SlotCount ? QStringLiteral("^%1").arg(code) : quoted(QByteArray(1, char(code)));
}

QString textEndName(Frame::TextEnd end)
{
    switch (end) {
    case Frame::TextEnd::NextOpcode: return QStringLiteral("opcode");
    case Frame::TextEnd::FullLength: return QStringLiteral("length");
    case Frame::TextEnd::Pause: return QStringLiteral("pause");
    case Frame::TextEnd::None: break;
    }
    return QStringLiteral("none");
}

} // namespace

int Frame::length(std::uint8_t opcode)
{
    switch (opcode) {
    case P::SaveStartupScreen: return P::SaveStartupScreenLength;
    case P::Animate: return P::AnimateLength;
    case P::SaveBitmap: return P::BitmapFrameLength;
    case P::ScrollSpeed: return P::ScrollSpeedLength;
    case P::DisplayBitmap: return P::BitmapFrameLength;
    case P::StaticCharacters: return P::StaticCharactersLength;
    default: return 0;
    }
}

QString Frame::name(std::uint8_t opcode)
{
    switch (opcode) {
    case P::SaveStartupScreen: return QStringLiteral("save-startup");
    case P::Animate: return QStringLiteral("animate");
    case P::SaveBitmap: return QStringLiteral("save-bitmap");
    case P::ScrollSpeed: return QStringLiteral("scroll-speed");
    case P::DisplayBitmap: return QStringLiteral("display-bitmap");
    case P::ScrollText: return QStringLiteral("scroll-text");
    case P::StaticCharacters: return QStringLiteral("static-chars");
    default: return QStringLiteral("unknown");
    }
}

int Frame::speedOf(std::uint8_t operand)
{
    for (int speed = 0; speed < P::SpeedCount; ++speed) {
        if (P::speedOperand(speed) == operand)
            return speed;
    }
    return -1;
}

bool Frame::isStore() const
{
    return kind == Kind::Command && (opcode() == P::SaveBitmap || opcode() == P::SaveStartupScreen);
}

QString Frame::problem() const
{
    QStringList fields;
    switch (opcode()) {
    case P::SaveStartupScreen:
        if (byte(1) != P::StartupMarker)
            fields << QStringLiteral("marker=0x") + hexDigits(byte(1));
        break;
    case P::Animate:
        if (byte(1) >= P::AnimationCount)
            fields << QStringLiteral("animation=%1").arg(byte(1));
        if (byte(2) >= P::PositionCount)
            fields << QStringLiteral("pos=%1").arg(byte(2));
        break;
    case P::SaveBitmap:
        if (byte(1) >= P::SlotCount)
            fields << QStringLiteral("slot=%1").arg(byte(1));
        break;
    case P::ScrollSpeed:
        if (speedOf(byte(1)) < 0)
            fields << QStringLiteral("operand=0x") + hexDigits(byte(1));
        break;
    case P::DisplayBitmap:
        if (byte(1) >= P::PositionCount)
            fields << QStringLiteral("pos=%1").arg(byte(1));
        break;
    default:
        break;
    }
    return fields.join(QLatin1Char(' '));
}

QString Frame::hex() const
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString Frame::description() const
{
    switch (kind) {
    case Kind::UnknownByte:
        return QStringLiteral("unknown-byte");
    case Kind::CutShort:
        return QStringLiteral("cut-short %1 (%2 of %3 bytes)").arg(name(opcode())).arg(bytes.size()).arg(length(opcode()));
    case Kind::Bad:
        return QStringLiteral("bad %1 %2").arg(name(opcode()), problem());
    case Kind::Command:
        break;
    }
    switch (opcode()) {
    case P::Animate:
        return QStringLiteral("animate arrow=%1 pos=%2").arg(QLatin1String(ArrowNames[byte(1)])).arg(byte(2));
    case P::SaveBitmap:
        return QStringLiteral("save-bitmap slot=%1").arg(byte(1));
    case P::ScrollSpeed:
        return QStringLiteral("scroll-speed speed=%1").arg(speedOf(byte(1)));
    case P::DisplayBitmap:
        return QStringLiteral("display-bitmap pos=%1").arg(byte(1));
    case P::ScrollText:
        return QStringLiteral("scroll-text text=%1 end=%2").arg(quoted(bytes.mid(1)), textEndName(textEnd));
    case P::StaticCharacters:
        return QStringLiteral("static-chars first=%1 second=%2").arg(character(byte(1)), character(byte(2)));
    default:
        return name(opcode());
    }
}

#include "Charset.h"

#include <QList>

#include <array>

namespace {

constexpr quint8 Unmappable = '?';

// The characters of 0x80 .. 0x9F. The five codes that Windows-1252 leaves
// undefined stand for the C1 controls of the same number, as in Windows.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

quint8 toModuleByte(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return quint8(character);
    for (std::size_t i = 0; i < HighControlRange.size(); ++i) {
        if (HighControlRange[i] == character)
            return quint8(0x80 + i);
    }
    return Unmappable;
}

QByteArray toModuleBytes(const QString &text)
{
    QByteArray bytes;
    // toUcs4() joins surrogate pairs and turns a lone surrogate into U+FFFD.
    for (const char32_t character : text.toUcs4())
        bytes.append(char(toModuleByte(character)));
    return bytes;
}

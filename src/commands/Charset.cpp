#include "Charset.h"

#include <array>
#include <utility>

namespace {

// The characters of 0x80 .. 0x9F. The five codes that Windows-1252 leaves
// undefined stand for the C1 controls of the same number, as in Windows.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Letters with a stroke or without a dot have no decomposition to fall back on.
constexpr std::array<std::pair<char16_t, char>, 11> PlainLetters = {{
    {0x0131, 'i'}, {0x0141, 'L'}, {0x0142, 'l'}, {0x0110, char(0xD0)}, {0x0111, 'd'}, {0x0126, 'H'},
    {0x0127, 'h'}, {0x0166, 'T'}, {0x0167, 't'}, {0x0180, 'b'}, {0x01B6, 'z'},
}};

std::optional<quint8> windows1252(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return quint8(character);
    for (std::size_t i = 0; i < HighControlRange.size(); ++i) {
        if (HighControlRange[i] == character)
            return quint8(0x80 + i);
    }
    return std::nullopt;
}

// The decomposed form, losing its last marks until what is left composes to
// one character of the set: ǖ is u and two marks, and u with the first is ü.
std::optional<quint8> nearestLetter(QString decomposed)
{
    while (!decomposed.isEmpty()) {
        const QList<uint> composed = decomposed.normalized(QString::NormalizationForm_C).toUcs4();
        if (composed.size() == 1) {
            if (const std::optional<quint8> byte = windows1252(composed.front()))
                return byte;
        }
        if (!decomposed.back().isMark())
            break;
        decomposed.chop(1);
    }
    return std::nullopt;
}

} // namespace

std::optional<quint8> toModuleByte(char32_t character)
{
    if (const std::optional<quint8> byte = windows1252(character))
        return *byte;
    const QString single = QString::fromUcs4(&character, 1);
    for (const QString::NormalizationForm form : {QString::NormalizationForm_D, QString::NormalizationForm_KD}) {
        if (const std::optional<quint8> byte = nearestLetter(single.normalized(form)))
            return *byte;
    }
    for (const auto &[letter, plain] : PlainLetters) {
        if (letter == character)
            return quint8(plain);
    }
    return std::nullopt;
}

QString withoutByte(char32_t letter)
{
    return QStringLiteral("\"%1\" cannot be shown: the module has neither this letter nor one near it")
        .arg(QString::fromUcs4(&letter, 1));
}

QList<uint> moduleLetters(const QString &text)
{
    // toUcs4() joins surrogate pairs and turns a lone surrogate into U+FFFD.
    return text.normalized(QString::NormalizationForm_C).toUcs4();
}

std::optional<QByteArray> toModuleBytes(const QString &text)
{
    QByteArray bytes;
    for (const char32_t character : moduleLetters(text)) {
        const std::optional<quint8> byte = toModuleByte(character);
        if (!byte)
            return std::nullopt;
        bytes.append(char(*byte));
    }
    return bytes;
}

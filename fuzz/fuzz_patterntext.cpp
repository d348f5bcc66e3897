// libFuzzer target for the pattern reader: the input is read both as hex and
// as a drawn grid. The eight bytes a pattern gives must say what the text
// said: written back in either form they read as the same bytes, and hex is
// made of ASCII hex digits and blanks only.

#include "DotGrid.h"
#include "PatternText.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

using ModuleProtocol::ColumnBytes;

QString asHex(const ColumnBytes &bytes)
{
    QStringList groups;
    for (const std::uint8_t byte : bytes)
        groups << QString::number(byte, 16);
    return groups.join(QLatin1Char(' '));
}

QString asGrid(const ColumnBytes &bytes)
{
    QString grid;
    for (const int weight : DotGrid::RowWeights) {
        for (const std::uint8_t byte : bytes)
            grid += (byte & weight) ? QLatin1Char('#') : QLatin1Char('.');
        grid += QLatin1Char('\n');
    }
    return grid;
}

void checkWrittenBack(const ColumnBytes &bytes)
{
    QString error;
    if (hexPattern(asHex(bytes), error) != bytes || gridPattern(asGrid(bytes), error) != bytes)
        std::abort();
}

bool isHexText(const QString &text)
{
    for (const QChar c : text) {
        if (!QLatin1String("0123456789abcdefABCDEF \t\n\r\v\f").contains(c))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    if (const std::optional<ColumnBytes> bytes = hexPattern(text, error)) {
        if (!isHexText(text))
            std::abort();
        checkWrittenBack(*bytes);
    } else if (error.isEmpty()) {
        std::abort();
    }
    error.clear();
    if (const std::optional<ColumnBytes> bytes = gridPattern(text, error))
        checkWrittenBack(*bytes);
    else if (error.isEmpty())
        std::abort();
    return 0;
}

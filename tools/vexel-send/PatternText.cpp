#include "PatternText.h"

#include "DotGrid.h"
#include "QuotedWord.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int RowCount = int(DotGrid::RowWeights.size());
constexpr QLatin1String LitDots("#Xx*O1");
constexpr QLatin1String UnlitDots(".-0 ");

// Only ASCII digits and letters: other scripts' digits are no hexadecimal.
bool isHex(const QString &group)
{
    for (const QChar c : group) {
        if (!QLatin1String("0123456789abcdefABCDEF").contains(c))
            return false;
    }
    return true;
}

// Blanks after a row's last dot are unlit dots where they fall within the
// grid and nothing beyond it: an editor leaves them unseen.
QString withoutTrailingBlanks(QString row)
{
    while (row.endsWith(QLatin1Char(' ')) || row.endsWith(QLatin1Char('\t')))
        row.chop(1);
    return row;
}

bool isGridRow(const QString &row)
{
    return row.size() <= DotGrid::ColumnCount
        && std::all_of(row.begin(), row.end(), [](QChar c) { return LitDots.contains(c) || UnlitDots.contains(c); });
}

} // namespace

bool isCommentLine(const QString &line)
{
    return line.trimmed().startsWith(QLatin1Char('#')) && !isGridRow(withoutTrailingBlanks(line));
}

std::optional<ModuleProtocol::ColumnBytes> hexPattern(const QString &text, QString &error)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList groups = text.split(blanks, Qt::SkipEmptyParts);
    if (groups.size() == 1 && groups.first().size() == 16) {
        const QString joined = groups.takeFirst();
        for (int i = 0; i < 16; i += 2)
            groups << joined.mid(i, 2);
    }
    ModuleProtocol::ColumnBytes bytes{};
    bool wellFormed = groups.size() == int(bytes.size());
    for (int i = 0; wellFormed && i < groups.size(); ++i) {
        wellFormed = groups[i].size() <= 2 && isHex(groups[i]);
        if (wellFormed)
            bytes[std::size_t(i)] = quint8(groups[i].toUInt(&wellFormed, 16));
    }
    if (!wellFormed) {
        error = QStringLiteral("%1 is not a pattern: write eight column bytes in hexadecimal "
                               "(10 00 00 00 00 00 00 00 or 1000000000000000) or @FILE")
                    .arg(quoted(text));
        return std::nullopt;
    }
    return bytes;
}

std::optional<ModuleProtocol::ColumnBytes> gridPattern(const QString &text, QString &error)
{
    // A final line break ends the last line rather than starting another.
    const qsizetype end = text.endsWith(QLatin1Char('\n')) ? text.size() - 1 : text.size();
    QStringList rows;
    for (const QString &line : text.isEmpty() ? QStringList() : text.first(end).split(QLatin1Char('\n'))) {
        if (!isCommentLine(line))
            rows << withoutTrailingBlanks(line);
    }
    while (rows.size() > RowCount && rows.last().isEmpty())
        rows.removeLast();
    if (rows.size() != RowCount) {
        error = QStringLiteral("a pattern grid has 8 lines, this one %1").arg(rows.size());
        return std::nullopt;
    }
    ModuleProtocol::ColumnBytes bytes{};
    for (int row = 0; row < rows.size(); ++row) {
        const QString &dots = rows[row];
        if (dots.size() > DotGrid::ColumnCount) {
            error = QStringLiteral("line %1 of the grid has %2 characters, at most 8 fit").arg(row + 1).arg(dots.size());
            return std::nullopt;
        }
        for (int column = 0; column < dots.size(); ++column) {
            if (LitDots.contains(dots[column])) {
                bytes[std::size_t(column)] |= quint8(DotGrid::RowWeights[std::size_t(row)]);
            } else if (!UnlitDots.contains(dots[column])) {
                error = QStringLiteral("line %1 of the grid: %2 is neither a lit dot (# X x * O 1) "
                                       "nor an unlit one (. - 0 space)")
                            .arg(row + 1)
                            .arg(quoted(dots[column]));
                return std::nullopt;
            }
        }
    }
    return bytes;
}

#include "ResultTable.h"

#include <algorithm>

namespace {
QString cell(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("–") : text;
}
} // namespace

int ResultTable::failures() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row &row) { return !row.passed; }));
}

QString ResultTable::markdown() const
{
    QStringList lines {
        QStringLiteral("| Measure | Runs | Goal | Median | p99 | Baseline (median) | Ratio | Result |"),
        QStringLiteral("| --- | ---: | --- | ---: | ---: | --- | ---: | --- |"),
    };
    for (const Row &row : m_rows) {
        lines << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 |")
                     .arg(row.measure)
                     .arg(row.runs)
                     .arg(row.goal, row.median, cell(row.p99), cell(row.baseline), cell(row.ratio),
                          row.passed ? QStringLiteral("pass") : QStringLiteral("**FAIL**"));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString ResultTable::ms(double value, int decimals)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', decimals);
}

QString ResultTable::ratio(double value)
{
    return QStringLiteral("%1").arg(value, 0, 'f', 2);
}

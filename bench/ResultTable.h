#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The figures of one run as a Markdown table, one row a measure. Cells that
// do not apply to a measure stay empty and show as a dash.
class ResultTable
{
public:
    struct Row
    {
        QString measure;
        int runs = 0;
        QString goal;
        QString median;
        QString p99;
        QString baseline; // the baseline's own median, with its name
        QString ratio;
        bool passed = false;
    };

    void add(Row row) { m_rows.push_back(std::move(row)); }
    int failures() const;
    QString markdown() const;

    static QString ms(double value, int decimals = 2);
    static QString ratio(double value);

private:
    std::vector<Row> m_rows;
};

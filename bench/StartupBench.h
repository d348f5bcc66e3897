#pragma once

#include "ResultTable.h"

#include <QString>

#include <vector>

// Start-up to the first shown window and the memory it then holds, for the
// control panel and for a bare window of the same size, each started afresh
// as a child process of the bench.
class StartupBench
{
public:
    StartupBench(QString executable, QString programFolder);

    bool ready() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    std::vector<ResultTable::Row> run(int runs, const QString &platform);

private:
    struct Start
    {
        double ms = 0;
        double rssMiB = 0;
    };
    Start startOnce(const QStringList &mode);

    QString m_executable;
    QString m_programFolder;
    QString m_error;
};

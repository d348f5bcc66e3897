#pragma once

#include "ResultTable.h"

#include <QString>

#include <vector>

// vexel-send running a command file far larger than a pseudo-terminal holds
// into a far end that takes bytes at a fixed pace, as a slow serial line
// does: whether it keeps the line fed to the end, and what it spends waiting;
// and what one call costs a script that runs it again and again.
class SendBench
{
public:
    explicit SendBench(const QString &sendPath) : m_sendPath(sendPath) {}

    bool ready() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    std::vector<ResultTable::Row> slowLine(int commands, int bytesPerSecond);
    // One command to a pseudo-terminal, start to exit, against the shell's
    // stty and printf writing the same frame, alternated in one run.
    std::vector<ResultTable::Row> oneCommand(int runs);

private:
    QString m_sendPath;
    QString m_error;
};

#pragma once

#include "LineCatcher.h"
#include "PtyPair.h"
#include "ResultTable.h"
#include "WindowHarness.h"

#include <QString>

// The figures a user of the running window feels: the real window in a
// program folder of its own, connected over a pseudo-terminal, driven by
// clicks on its widgets. Each measure returns its rows, or none and an
// error() when the program misbehaved so that a figure would be meaningless.
class WindowBench
{
public:
    WindowBench();

    bool ready() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString programFolder() const { return m_harness.folder(); }

    std::vector<ResultTable::Row> clickToLine(int clicks);
    std::vector<ResultTable::Row> timerWait(int waits);
    std::vector<ResultTable::Row> atRest(int seconds, int runs);
    std::vector<ResultTable::Row> clearAll(int runs);

private:
    void fail(const QString &error); // keeps the first
    double rawLineMs(const QByteArray &frame);

    WindowHarness m_harness;
    LineCatcher m_catcher;
    // A second line that nobody else opens: its slave end is written straight
    // through, the least any program could spend getting bytes to the device.
    PtyPair m_rawLine;
    LineCatcher m_rawCatcher;
    QString m_error;
};

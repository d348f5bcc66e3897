#pragma once

#include <QString>

class QIODevice;

// What the system knows of an open line beyond what the device says: whether
// it can take more bytes, whether it hung up, and how many bytes it still
// holds to send. LineQueue.cpp asks a POSIX tty (poll and TIOCOUTQ), where
// every line is a QSerialPort; LineQueueWindows.cpp a COM port, which never
// hangs up and refuses a write only for a real fault, or a virtual module's
// pipe, which hangs up when the module ends.
namespace LineQueue {

enum class Readiness { Ready, Waiting, HungUp };

// Waits up to the given time for the line to take more bytes.
Readiness waitWritable(QIODevice &port, int milliseconds);
// Without waiting.
bool hungUp(const QIODevice &port);
// A write refused only because the line is full, as opposed to a lost line.
bool full(const QIODevice &port);

struct Queued
{
    int bytes = 0;      // -1 when the device keeps no such count
    QString lostBecause; // set when asking showed the line is gone
};
Queued queued(const QIODevice &port);

// Drops what reached the line before now; the reason when that failed.
QString discardInput(QIODevice &port);

// Waits the given time, less when the line hangs up meanwhile; true then.
bool pauseUnlessHungUp(const QIODevice &port, int milliseconds);

} // namespace LineQueue

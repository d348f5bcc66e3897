#pragma once

#include <QString>

class QSerialPort;

// What the system knows of an open serial line beyond what QSerialPort says:
// whether it can take more bytes, whether it hung up, and how many bytes it
// still holds to send. LineQueue.cpp asks a POSIX tty (poll and TIOCOUTQ),
// LineQueueWindows.cpp a COM port, which never hangs up and refuses a write
// only for a real fault.
namespace LineQueue {

enum class Readiness { Ready, Waiting, HungUp };

// Waits up to the given time for the line to take more bytes.
Readiness waitWritable(QSerialPort &port, int milliseconds);
// Without waiting.
bool hungUp(const QSerialPort &port);
// A write refused only because the line is full, as opposed to a lost line.
bool full(const QSerialPort &port);

struct Queued
{
    int bytes = 0;      // -1 when the device keeps no such count
    QString lostBecause; // set when asking showed the line is gone
};
Queued queued(const QSerialPort &port);

// Drops what reached the line before now; the reason when that failed.
QString discardInput(QSerialPort &port);

// Waits the given time, less when the line hangs up meanwhile; true then.
bool pauseUnlessHungUp(const QSerialPort &port, int milliseconds);

} // namespace LineQueue

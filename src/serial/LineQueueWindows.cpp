#include "LineQueue.h"

#include "PipeLine.h"
#include "SystemReason.h"

#include <QSerialPort>
#include <QThread>

#include <windows.h>

namespace {

// The line is a COM port or, when this is null, a virtual module's pipe.
const QSerialPort *comPort(const QIODevice &line)
{
    return qobject_cast<const QSerialPort *>(&line);
}

const PipeLine &pipe(const QIODevice &line)
{
    return static_cast<const PipeLine &>(line);
}

} // namespace

namespace LineQueue {

// Either is written in the background; waiting for that write is waiting for
// the line.
Readiness waitWritable(QIODevice &line, int milliseconds)
{
    if (line.waitForBytesWritten(milliseconds))
        return Readiness::Ready;
    return hungUp(line) ? Readiness::HungUp : Readiness::Waiting;
}

bool hungUp(const QIODevice &line)
{
    return !comPort(line) && pipe(line).broken();
}

bool full(const QIODevice &)
{
    return false;
}

// What a pipe was given is the module's at once, as with a pseudo-terminal.
Queued queued(const QIODevice &line)
{
    const QSerialPort *port = comPort(line);
    if (!port)
        return {0, {}};
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(HANDLE(port->handle()), &errors, &status))
        return {int(status.cbOutQue), {}};
    return {-1, systemReason(int(::GetLastError()))};
}

// QSerialPort's own clear() also aborts the wait for input it keeps pending,
// and Wine then never starts another: only the driver's buffer is emptied.
QString discardInput(QIODevice &line)
{
    if (QSerialPort *port = qobject_cast<QSerialPort *>(&line); port && !::PurgeComm(HANDLE(port->handle()), PURGE_RXCLEAR))
        return systemReason(int(::GetLastError()));
    line.readAll();
    return QString();
}

bool pauseUnlessHungUp(const QIODevice &line, int milliseconds)
{
    QThread::msleep(ulong(milliseconds));
    return hungUp(line);
}

} // namespace LineQueue

#include "LineQueue.h"

#include <QSerialPort>
#include <QThread>

#include <windows.h>

namespace LineQueue {

// QSerialPort writes a COM port in the background; waiting for that write is
// waiting for the line.
Readiness waitWritable(QSerialPort &port, int milliseconds)
{
    return port.waitForBytesWritten(milliseconds) ? Readiness::Ready : Readiness::Waiting;
}

bool hungUp(const QSerialPort &)
{
    return false;
}

bool full(const QSerialPort &)
{
    return false;
}

Queued queued(const QSerialPort &port)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(HANDLE(port.handle()), &errors, &status))
        return {int(status.cbOutQue), {}};
    return {-1, qt_error_string(int(::GetLastError()))};
}

// QSerialPort's own clear() also aborts the wait for input it keeps pending,
// and Wine then never starts another: only the driver's buffer is emptied.
QString discardInput(QSerialPort &port)
{
    if (!::PurgeComm(HANDLE(port.handle()), PURGE_RXCLEAR))
        return qt_error_string(int(::GetLastError()));
    port.readAll();
    return QString();
}

bool pauseUnlessHungUp(const QSerialPort &, int milliseconds)
{
    QThread::msleep(ulong(milliseconds));
    return false;
}

} // namespace LineQueue

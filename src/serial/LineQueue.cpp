#include "LineQueue.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>

namespace {

bool failed(short events)
{
    return events & (POLLHUP | POLLERR | POLLNVAL);
}

} // namespace

namespace LineQueue {

Readiness waitWritable(QSerialPort &port, int milliseconds)
{
    pollfd device{int(port.handle()), POLLOUT, 0};
    if (::poll(&device, 1, milliseconds) <= 0)
        return Readiness::Waiting;
    return failed(device.revents) ? Readiness::HungUp : Readiness::Ready;
}

bool hungUp(const QSerialPort &port)
{
    pollfd device{int(port.handle()), 0, 0};
    return ::poll(&device, 1, 0) == 1 && failed(device.revents);
}

// A hung-up line reports so, and a working one that can take bytes is
// writable; a full one reports neither.
bool full(const QSerialPort &port)
{
    pollfd device{int(port.handle()), POLLOUT, 0};
    return ::poll(&device, 1, 0) == 0;
}

Queued queued(const QSerialPort &port)
{
    int bytes = 0;
    if (::ioctl(int(port.handle()), TIOCOUTQ, &bytes) == 0)
        return {bytes, {}};
    // A device that keeps no such count has nothing more to say; a line hung
    // up since the write fails here with EIO.
    if (errno == ENOTTY || errno == EINVAL)
        return {-1, {}};
    return {-1, QString::fromLocal8Bit(std::strerror(errno))};
}

QString discardInput(QSerialPort &port)
{
    return port.clear(QSerialPort::Input) ? QString() : port.errorString();
}

bool pauseUnlessHungUp(const QSerialPort &port, int milliseconds)
{
    // Asks for no event, so only a hang-up ends the pause early.
    pollfd device{int(port.handle()), 0, 0};
    return ::poll(&device, 1, milliseconds) > 0;
}

} // namespace LineQueue

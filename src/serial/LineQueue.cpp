#include "LineQueue.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>

namespace {

int handle(const QIODevice &line)
{
    return int(static_cast<const QSerialPort &>(line).handle());
}

bool failed(short events)
{
    return events & (POLLHUP | POLLERR | POLLNVAL);
}

} // namespace

namespace LineQueue {

Readiness waitWritable(QIODevice &line, int milliseconds)
{
    pollfd device{handle(line), POLLOUT, 0};
    if (::poll(&device, 1, milliseconds) <= 0)
        return Readiness::Waiting;
    return failed(device.revents) ? Readiness::HungUp : Readiness::Ready;
}

bool hungUp(const QIODevice &line)
{
    pollfd device{handle(line), 0, 0};
    return ::poll(&device, 1, 0) == 1 && failed(device.revents);
}

// A hung-up line reports so, and a working one that can take bytes is
// writable; a full one reports neither.
bool full(const QIODevice &line)
{
    pollfd device{handle(line), POLLOUT, 0};
    return ::poll(&device, 1, 0) == 0;
}

Queued queued(const QIODevice &line)
{
    int bytes = 0;
    if (::ioctl(handle(line), TIOCOUTQ, &bytes) == 0)
        return {bytes, {}};
    // A device that keeps no such count has nothing more to say; a line hung
    // up since the write fails here with EIO.
    if (errno == ENOTTY || errno == EINVAL)
        return {-1, {}};
    return {-1, QString::fromLocal8Bit(std::strerror(errno))};
}

QString discardInput(QIODevice &line)
{
    auto &port = static_cast<QSerialPort &>(line);
    return port.clear(QSerialPort::Input) ? QString() : port.errorString();
}

bool pauseUnlessHungUp(const QIODevice &line, int milliseconds)
{
    // Asks for no event, so only a hang-up ends the pause early.
    pollfd device{handle(line), 0, 0};
    return ::poll(&device, 1, milliseconds) > 0;
}

} // namespace LineQueue

#include "PtyPair.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool makeRaw(int fd)
{
    termios settings{};
    return ::tcgetattr(fd, &settings) == 0 && (::cfmakeraw(&settings), ::tcsetattr(fd, TCSANOW, &settings)) == 0;
}

PtyPair::PtyPair()
{
    char name[256] = {};
    // Without a working pair no test of the line means anything.
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0 || !makeRaw(m_slave) || !makeRaw(m_master))
        qFatal("pseudo-terminal: %s", std::strerror(errno));
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() { closeMaster(); ::close(m_slave); }

bool PtyPair::write(const QByteArray &bytes)
{
    for (qsizetype done = 0; m_master >= 0 && done < bytes.size();) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return m_master >= 0;
}

bool PtyPair::waitUntilQueued(int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (int queued = 0; m_slave >= 0 && ::ioctl(m_slave, TIOCINQ, &queued) == 0; ::usleep(1000)) {
        if (queued >= count || deadline.hasExpired())
            return queued >= count;
    }
    return false;
}

QByteArray PtyPair::read(int count, int timeoutMs)
{
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    char chunk[4096];
    while (m_master >= 0 && received.size() < count) {
        pollfd pfd {m_master, POLLIN, 0};
        const qsizetype wanted = std::min<qsizetype>(sizeof chunk, count - received.size());
        const int ready = ::poll(&pfd, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        // Data is there once poll says so: the read does not block.
        const ssize_t n = ready > 0 ? ::read(m_master, chunk, size_t(wanted)) : 0;
        if (n <= 0)
            break;
        received.append(chunk, n);
    }
    return received;
}

void PtyPair::closeMaster() { if (m_master >= 0) ::close(m_master); m_master = -1; }

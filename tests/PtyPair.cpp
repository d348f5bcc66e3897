#include "PtyPair.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    termios raw{}; // the master side of a pair is raw already
    ::cfmakeraw(&raw);
    // Without a working pair no test of the line means anything.
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        qFatal("pseudo-terminal: %s", std::strerror(errno));
    m_slavePath = QString::fromLocal8Bit(name);
    // A program a test starts must not keep the far end open once the test closes it.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() { closeMaster(); ::close(m_slave); }

// A blocking terminal takes the whole write or fails.
bool PtyPair::write(const QByteArray &bytes)
{
    return m_master >= 0 && ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
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
    for (pollfd pfd{m_master, POLLIN, 0}; m_master >= 0 && received.size() < count;) {
        // Data is there once poll says so: the read does not block.
        const int ready = ::poll(&pfd, 1, int(deadline.remainingTime()));
        const ssize_t n = ready > 0 ? ::read(m_master, chunk, std::min<size_t>(sizeof chunk, size_t(count - received.size()))) : 0;
        if (n <= 0 && !(ready < 0 && errno == EINTR))
            break;
        received.append(chunk, std::max<ssize_t>(n, 0));
    }
    return received;
}

void PtyPair::closeMaster() { if (m_master >= 0) ::close(m_master); m_master = -1; }

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

namespace {

bool makeRaw(int fd)
{
    termios settings {};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyPair::PtyPair()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_errorString = systemError("openpty");
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    if (!makeRaw(m_slave) || !makeRaw(m_master)) {
        m_errorString = systemError("raw mode");
        closeMaster();
        ::close(m_slave);
        m_slave = -1;
    }
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyPair::isValid() const
{
    return m_slave >= 0;
}

QString PtyPair::errorString() const
{
    return m_errorString;
}

QString PtyPair::slavePath() const
{
    return m_slavePath;
}

int PtyPair::slaveFd() const
{
    return m_slave;
}

int PtyPair::masterFd() const
{
    return m_master;
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_errorString = systemError("write");
            return false;
        }
        done += n;
    }
    return m_master >= 0;
}

bool PtyPair::waitUntilQueued(int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        int queued = 0;
        if (m_slave < 0 || ::ioctl(m_slave, TIOCINQ, &queued) != 0)
            return false;
        if (queued >= count)
            return true;
        if (deadline.hasExpired())
            return false;
        ::usleep(1000);
    }
}

QByteArray PtyPair::read(int count, int timeoutMs)
{
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    while (m_master >= 0 && received.size() < count) {
        pollfd pfd { m_master, POLLIN, 0 };
        const int ready = ::poll(&pfd, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char chunk[4096];
        const ssize_t n = ::read(m_master, chunk, size_t(std::min<qsizetype>(sizeof chunk, count - received.size())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        received.append(chunk, n);
    }
    return received;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

#include "ModuleLine.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int PeerPollMs = 20;

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~(PARENB | CSTOPB);
    return ::cfsetispeed(&settings, B9600) == 0 && ::cfsetospeed(&settings, B9600) == 0
        && ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

ModuleLine::ModuleLine(QObject *parent)
    : QObject(parent)
{
    m_peerPoll.setInterval(PeerPollMs);
    connect(&m_peerPoll, &QTimer::timeout, this, &ModuleLine::checkPeer);
}

ModuleLine::~ModuleLine()
{
    for (const int fd : {m_fd, m_opensFd}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool ModuleLine::openVirtualPort(int)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_error = systemError(QStringLiteral("cannot open a pseudo-terminal"));
        return false;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        m_error = systemError(QStringLiteral("cannot set up the pseudo-terminal"));
        ::close(master);
        return false;
    }
    // The slave starts in cooked mode, which would echo every answer back
    // and mangle CR and LF; raw mode stays on it across opens.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool raw = slave >= 0 && makeRaw(slave);
    if (!raw) {
        m_error = systemError(QStringLiteral("cannot make %1 raw").arg(QString::fromLocal8Bit(name)));
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    ::close(slave);
    m_slavePath = QString::fromLocal8Bit(name);
    return adopt(master, false);
}

bool ModuleLine::openDevice(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = systemError(QStringLiteral("cannot open %1").arg(path));
        return false;
    }
    if (!makeRaw(fd)) {
        m_error = systemError(QStringLiteral("cannot set %1 to 9600,n,8,1").arg(path));
        ::close(fd);
        return false;
    }
    m_slavePath = path;
    return adopt(fd, true);
}

bool ModuleLine::adopt(int fd, bool peerOpen)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        m_error = systemError(QStringLiteral("cannot set up the line"));
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ModuleLine::readPending);
    m_notifier->setEnabled(peerOpen);
    m_peerOpen = peerOpen;
    watchOpens();
    if (!peerOpen && !m_opensNotifier)
        m_peerPoll.start();
    return true;
}

// Every open of the line's device is told at once, so that a new peer's
// first frame is read as it comes. Where the system cannot tell (no inotify
// left), the line is polled instead.
void ModuleLine::watchOpens()
{
    m_opensFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_opensFd < 0)
        return;
    if (::inotify_add_watch(m_opensFd, QFile::encodeName(m_slavePath).constData(), IN_OPEN) < 0) {
        ::close(m_opensFd);
        m_opensFd = -1;
        return;
    }
    m_opensNotifier = new QSocketNotifier(m_opensFd, QSocketNotifier::Read, this);
    connect(m_opensNotifier, &QSocketNotifier::activated, this, [this] {
        char events[4096];
        while (::read(m_opensFd, events, sizeof events) > 0) {
        }
        checkPeer();
    });
}

bool ModuleLine::write(const QByteArray &bytes)
{
    if (peerHungUp()) {
        m_error = QStringLiteral("line closed");
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = systemError(QStringLiteral("write failed"));
            return false;
        }
        done += n;
    }
    return true;
}

bool ModuleLine::readPending()
{
    QByteArray bytes;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO (pty) or end of file (device gone): nobody is on the other end.
        if (n == 0 || errno != EAGAIN)
            setPeerOpen(false);
        break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
    return !bytes.isEmpty();
}

bool ModuleLine::peerHungUp() const
{
    pollfd poller{m_fd, POLLIN, 0};
    return ::poll(&poller, 1, 0) > 0 && (poller.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void ModuleLine::checkPeer()
{
    pollfd poller{m_fd, POLLIN, 0};
    if (::poll(&poller, 1, 0) < 0)
        return;
    // Open first: the bytes read next may ask for an answer. A panel that
    // opened, wrote and closed between two polls leaves its bytes readable
    // behind the hang-up.
    if (!(poller.revents & (POLLHUP | POLLERR | POLLNVAL)))
        setPeerOpen(true);
    if (poller.revents & POLLIN)
        readPending();
}

void ModuleLine::setPeerOpen(bool open)
{
    if (open == m_peerOpen)
        return;
    m_peerOpen = open;
    m_notifier->setEnabled(open);
    if (open)
        m_peerPoll.stop();
    else if (!m_opensNotifier)
        m_peerPoll.start();
    emit peerChanged(open);
}

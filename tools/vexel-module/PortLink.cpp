#include "PortLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString readLink(const QByteArray &path)
{
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(target, int(n)));
}

// Whether a process other than this one has the pseudo-terminal open at
// either end. The far end shows in /proc as the multiplexer, with the
// terminal's number in its fdinfo; a kernel that gives no number, and a
// terminal of another user, whose processes stay hidden, count as held.
bool heldElsewhere(const QString &pty)
{
    if (QFileInfo(pty).ownerId() != ::getuid())
        return true;
    const QByteArray number = "tty-index:\t" + pty.section(QLatin1Char('/'), -1).toLatin1() + '\n';
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.toLongLong() <= 0)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = readLink(QFile::encodeName(fds.filePath(fd)));
            if (target == pty)
                return true;
            if (target != QLatin1String("/dev/ptmx") && target != QLatin1String("/dev/pts/ptmx"))
                continue;
            QFile info(proc.filePath(pid + QStringLiteral("/fdinfo/") + fd));
            const QByteArray text = info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
            if (!text.contains("tty-index:") || text.contains(number))
                return true;
        }
    }
    return false;
}

} // namespace

PortLink::~PortLink()
{
    const QByteArray path = QFile::encodeName(m_path);
    if (!m_path.isEmpty() && readLink(path) == m_target)
        ::unlink(path.constData());
}

QString PortLink::keptBecause(const QString &linkPath, const QString &ownPty)
{
    const QFileInfo entry(linkPath);
    if (!entry.isSymLink())
        return entry.exists() ? QStringLiteral("it is not a symbolic link") : QString();
    const QString target = QDir::cleanPath(entry.symLinkTarget());
    if (!target.startsWith(QLatin1String("/dev/pts/"))) {
        return entry.exists() ? QStringLiteral("it leads to the device %1").arg(target)
                              : QStringLiteral("it leads to %1, which is missing now (an adapter unplugged?) but may "
                                               "come back").arg(target);
    }
    if (entry.exists() && target != ownPty && heldElsewhere(target))
        return QStringLiteral("it leads to %1, a pseudo-terminal that a running program holds (another vexel-module "
                              "or a bridge); choose another port with --port N, or end that program first").arg(target);
    return QString();
}

bool PortLink::create(const QString &linkPath, const QString &target)
{
    const QByteArray path = QFile::encodeName(linkPath), pty = QFile::encodeName(target);
    // A free name is taken in one step, so of two modules started at once only one gets it.
    bool made = ::symlink(pty.constData(), path.constData()) == 0;
    if (!made && errno == EEXIST) {
        const QString kept = keptBecause(linkPath, target);
        if (!kept.isEmpty()) {
            m_error = QStringLiteral("not replacing %1: %2").arg(linkPath, kept);
            return false;
        }
        // A dead module's link is renamed over, so the panel never sees the name missing or half made.
        const QByteArray temporary = path + ".new-" + QByteArray::number(::getpid());
        ::unlink(temporary.constData());
        made = ::symlink(pty.constData(), temporary.constData()) == 0 && ::rename(temporary.constData(), path.constData()) == 0;
        if (!made) {
            const int error = errno;
            ::unlink(temporary.constData());
            errno = error;
        }
    }
    if (!made) {
        m_error = QStringLiteral("cannot link %1 to %2: %3").arg(linkPath, target, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_path = linkPath;
    m_target = target;
    return true;
}

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

} // namespace

PortLink::~PortLink()
{
    const QByteArray path = QFile::encodeName(m_path);
    if (!m_path.isEmpty() && readLink(path) == m_target)
        ::unlink(path.constData());
}

QString PortLink::keptBecause(const QString &linkPath)
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
    if (entry.exists())
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
        const QString kept = keptBecause(linkPath);
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

#include "PortLink.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
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

bool PortLink::create(const QString &linkPath, const QString &target)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat info{};
    if (::lstat(path.constData(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            m_error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath);
            return false;
        }
        // A link left by an earlier run leads nowhere or to a pseudo-terminal;
        // one to anything else is the user's way to a real module, and stays.
        const QString existing = readLink(path);
        if (::access(path.constData(), F_OK) == 0 && !existing.startsWith(QLatin1String("/dev/pts/"))) {
            m_error = QStringLiteral("%1 already leads to %2; not replacing it").arg(linkPath, existing);
            return false;
        }
    }
    // Made under a temporary name and renamed over, so the panel never sees
    // the name missing or half made.
    const QByteArray temporary = path + ".new-" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0
        || ::rename(temporary.constData(), path.constData()) != 0) {
        m_error = QStringLiteral("cannot link %1 to %2: %3")
                      .arg(linkPath, target, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    m_path = linkPath;
    m_target = target;
    return true;
}

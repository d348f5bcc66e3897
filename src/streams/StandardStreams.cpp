#include "StandardStreams.h"

#include "StandardText.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

void StandardStreams::openClosed()
{
#if defined(Q_OS_UNIX)
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // open() takes the lowest free number, which is fd itself.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
#endif
}

bool StandardStreams::outputWritten()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int StandardStreams::exitStatus(const QString &program, int status)
{
    errno = 0;
    if (outputWritten())
        return status;
    const int reason = errno;
    StandardText standardError(stderr);
    QTextStream err(&standardError);
    err << program << ": write error";
    if (reason != 0)
        err << ": " << QString::fromLocal8Bit(std::strerror(reason));
    err << Qt::endl;
    return status == 0 ? WriteFailed : status;
}

#include "Clocks.h"

#include <QFile>

#include <ctime>

namespace Clocks {

namespace {
qint64 read(clockid_t clock)
{
    timespec now {};
    if (::clock_gettime(clock, &now) != 0)
        return -1;
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}
} // namespace

qint64 monotonicNs()
{
    return read(CLOCK_MONOTONIC);
}

qint64 processCpuNs()
{
    return read(CLOCK_PROCESS_CPUTIME_ID);
}

qint64 residentKiB()
{
    // Files under /proc tell no size, so they are read whole rather than
    // line by line up to an end that QFile takes for granted.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            bool ok = false;
            const qint64 kib = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kib : -1;
        }
    }
    return -1;
}

} // namespace Clocks

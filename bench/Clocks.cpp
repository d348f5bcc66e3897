#include "Clocks.h"

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

} // namespace Clocks

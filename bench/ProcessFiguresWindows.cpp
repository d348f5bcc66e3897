#include "ProcessFigures.h"

#include "Clocks.h"

#include <windows.h>
#include <psapi.h>

namespace {

PROCESS_MEMORY_COUNTERS memoryCounters()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        counters.WorkingSetSize = 0;
    return counters;
}

} // namespace

namespace ProcessFigures {

qint64 cpuMilliseconds()
{
    return Clocks::processCpuNs() / 1000000;
}

qint64 residentBytes()
{
    const SIZE_T bytes = memoryCounters().WorkingSetSize;
    return bytes == 0 ? -1 : qint64(bytes);
}

qint64 heldBytes()
{
    return residentBytes();
}

// Windows keeps the largest working set of the process's whole life and no
// way to start it afresh, so the figure here is the working set now: what a
// piece of work still holds once done, not what it took on the way.
qint64 peakResidentBytes()
{
    return residentBytes();
}

bool resetPeakResident()
{
    return true;
}

int openFileCount()
{
    DWORD handles = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &handles) ? int(handles) : -1;
}

// Windows locks a COM port by opening it exclusively, with no file of its own.
QStringList lockFilesOf(const QString &)
{
    return {};
}

} // namespace ProcessFigures

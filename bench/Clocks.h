#pragma once

#include <QtGlobal>

// The clocks the figures are read from. The monotonic clock is shared by all
// processes of the machine, so a child's reading can be set against the
// parent's.
namespace Clocks {

qint64 monotonicNs();
// Processor time of the whole process, all threads, user and system.
qint64 processCpuNs();

constexpr double toMs(qint64 ns) { return double(ns) / 1e6; }

} // namespace Clocks

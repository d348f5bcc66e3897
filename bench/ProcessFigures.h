#pragma once

#include <QStringList>
#include <QtGlobal>

// What the kernel tells about this process: processor time, resident memory
// and open file descriptors, for the bench's figures and the bounds the fault
// tests assert.
namespace ProcessFigures {

qint64 cpuMilliseconds();
qint64 residentBytes();
// What the program holds, for growth over many operations: the resident
// memory, or under AddressSanitizer, whose quarantine keeps freed memory
// resident for a long while, the heap bytes still allocated.
qint64 heldBytes();
// The most resident memory since the last reset (or since the start).
qint64 peakResidentBytes();
bool resetPeakResident();
int openFileCount();

// Lock files named after the device, in every folder where the serial port
// layer may put them; empty when none exists.
QStringList lockFilesOf(const QString &devicePath);

} // namespace ProcessFigures

#pragma once

#include <QString>

// Why a device that failed to open could not be opened, in words, from what
// the file system shows of it: "no such device", "not permitted: " with the
// dialout hint, no serial hardware behind it, or "held by another program: "
// with the processes that have it open, this one left out. Empty when none
// of these is seen, for instance when the holder is a process of another
// user that stays hidden.
QString portTrouble(const QString &device);

#pragma once

#include <QString>

// Why a device that failed to open could not be opened, in words, from what
// the file system shows of it: a link that leads nowhere, "no such device",
// "not permitted: " with the dialout hint, no serial hardware behind it, no
// serial device at all (a plain file, /dev/null), or "held by another
// program: " with the processes that have it open, this one left out. An
// open refused for permission on a device this user may use was refused by
// another program's lock: "held by another program" too, named from its lock
// file while it holds it. Empty when none of these is seen, for instance when
// the holder is a process of another user that stays hidden.
QString portTrouble(const QString &device, bool permissionRefused);

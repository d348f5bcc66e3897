#pragma once

#include <QString>

// A number as vexel-send takes it wherever one is asked for (a port, an
// interval, a repeat count, a wait, a slot): ASCII digits alone, with no sign,
// blank or other script's digit anywhere. -1 for anything else, or a number
// outside low .. high.
int wholeNumber(const QString &word, int low, int high);

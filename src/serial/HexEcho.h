#pragma once

#include <QString>

// The monitor's echo of one byte: two upper-case hex digits and a space.
QString hexEcho(quint8 byte);

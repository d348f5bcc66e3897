#pragma once

#include <QPixmap>

// The unlit dot every cell shows before its first change, drawn here so the
// window needs no picture file to start.
QPixmap builtInUnlitDot();

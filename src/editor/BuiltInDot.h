#pragma once

#include <QPixmap>

// The unlit dot every cell shows before its first change, drawn here so the
// window needs no picture file to start. It is 18 x 19 pixels at a device
// pixel ratio of 1 and drawn anew at the screen's own resolution otherwise,
// so a high-density screen shows it sharp instead of enlarged.
QPixmap builtInUnlitDot(qreal devicePixelRatio = 1.0);

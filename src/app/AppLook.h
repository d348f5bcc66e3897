#pragma once

#include <QFont>

// The window's look. Its face is Tahoma, in pixel sizes so the layout,
// drawn at 96 dots per inch, fits whatever the screen reports; where Tahoma is
// not installed a metric-compatible copy (Debian's fonts-wine, which the
// Windows build carries in fonts/) is loaded for the program. The classic
// style draws a group's caption into its top border,
// which the layout's group boxes were drawn for.
namespace AppLook {

constexpr int WindowPixelSize = 11;        // 8.25 points at 96 dpi
constexpr int CharacterBoxPixelSize = 19;  // 14.25 points at 96 dpi

// Before the application object exists: what the platform takes then.
void beforeApplication();
void prepare();
QFont windowFont();
QFont characterBoxFont();

} // namespace AppLook

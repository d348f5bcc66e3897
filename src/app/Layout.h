#pragma once

#include <QRect>

#include <vector>

// The window as data: every control with its holder, kind, caption and place
// in twips (1/1440 inch), converted once at 15 twips to a logical pixel.
namespace Layout {

constexpr int TwipsPerPixel = 15;
constexpr int ClientWidthTwips = 11940;
constexpr int ClientHeightTwips = 7785;

enum class Kind { GroupBox, Button, List, TextBox, Label, DotCells };

// Looks that differ from the toolkit's defaults.
enum class Look {
    Plain,
    CharacterBox,  // large red centred text
    RedText,
    MonitorLine,   // light yellow ground
    SilverGround,
};

struct Control
{
    const char *name;
    const char *holder; // "" for the window itself
    Kind kind;
    const char *caption;
    int left;
    int top;
    int width;
    int height;
    Look look = Look::Plain;
    int maxLength = 0;
};

const std::vector<Control> &controls();

// The Tab order, by control name.
const std::vector<const char *> &focusOrder();

constexpr int pixels(int twips) { return (twips + TwipsPerPixel / 2) / TwipsPerPixel; }
QRect pixelRect(const Control &control);

} // namespace Layout

#include "Layout.h"

namespace Layout {

const std::vector<Control> &controls()
{
    // Holders come before what they hold; "Clear ALL" and the position list
    // follow "Display Control" so they stand in front of it, yet belong to
    // the window and stay usable while the group is disabled.
    static const std::vector<Control> table{
        {"Frame1", "", Kind::GroupBox, "Comm Port", 360, 360, 3615, 735},
        {"Frame3", "", Kind::GroupBox, "Display Control", 360, 1200, 10455, 5175},
        {"Frame2", "", Kind::GroupBox, "Communication Monitor", 360, 6600, 7095, 855},
        {"cmdCLR", "", Kind::Button, "Clear ALL", 9240, 1560, 855, 375},
        {"cboPosition", "", Kind::List, "", 9240, 2160, 735, 315},

        {"cboComm", "Frame1", Kind::List, "", 120, 240, 735, 315},
        {"cmdConnect", "Frame1", Kind::Button, "CONNECT", 1560, 240, 1815, 255},

        {"Label1", "Frame2", Kind::Label, "Bytes Sent", 120, 360, 855, 255},
        {"lblTxData", "Frame2", Kind::Label, "", 1200, 360, 4785, 255, Look::MonitorLine},

        {"txtAText", "Frame3", Kind::TextBox, "", 360, 480, 615, 495, Look::CharacterBox, 2},
        {"txtBText", "Frame3", Kind::TextBox, "", 1080, 480, 615, 495, Look::CharacterBox, 2},
        {"cmdSendDA", "Frame3", Kind::Button, "Show Static Characters", 1920, 480, 1335, 495},
        {"Label2", "Frame3", Kind::Label,
         "Type the character to be display here Insert ^ for custom character. Example ^0 to show "
         "custom character 0",
         360, 1200, 2895, 735},
        {"cmdScroll", "Frame3", Kind::Button, "Scroll Text", 3360, 1920, 1215, 375},
        {"txtSText", "Frame3", Kind::TextBox, "", 360, 2040, 2775, 285, Look::Plain, 30},
        {"Label3", "Frame3", Kind::Label, "Type Scrolling text here ( max 30 characters)", 360,
         2400, 2415, 375},
        {"lblC", "Frame3", Kind::Label, "0", 360, 2880, 495, 255, Look::RedText},
        {"cmdSpeed", "Frame3", Kind::Button, "Set Scrolling Speed ", 1200, 3000, 1815, 375},
        {"cboSpeed", "Frame3", Kind::List, "", 360, 3120, 615, 315},
        {"Label4", "Frame3", Kind::Label, "0 - Slowest , 3 - Fastest", 1200, 3480, 1815, 255},
        {"Label8", "Frame3", Kind::Label, "Show Animation", 240, 4080, 1215, 255},
        {"cmdAnimate0", "Frame3", Kind::Button, "Up Arrow", 240, 4440, 975, 495},
        {"cmdAnimate1", "Frame3", Kind::Button, "Down Arrow", 1440, 4440, 975, 495},
        {"cmdAnimate2", "Frame3", Kind::Button, "Right Arrow", 2640, 4440, 975, 495},
        {"cmdAnimate3", "Frame3", Kind::Button, "Left Arrow", 3840, 4440, 975, 495},
        {"Frame4", "Frame3", Kind::GroupBox, "DOT MATRIX", 4920, 240, 3495, 3495, Look::SilverGround},
        {"dotCells", "Frame4", Kind::DotCells, "", 0, 0, 3495, 3495},
        {"lblC1", "Frame3", Kind::Label, "0", 4800, 3840, 375, 255},
        {"lblC2", "Frame3", Kind::Label, "0", 5280, 3840, 375, 255},
        {"lblC3", "Frame3", Kind::Label, "0", 5760, 3840, 375, 255},
        {"lblC4", "Frame3", Kind::Label, "0", 6240, 3840, 375, 255},
        {"lblC5", "Frame3", Kind::Label, "0", 6720, 3840, 375, 255},
        {"lblC6", "Frame3", Kind::Label, "0", 7200, 3840, 375, 255},
        {"lblC7", "Frame3", Kind::Label, "0", 7680, 3840, 375, 255},
        {"lblC8", "Frame3", Kind::Label, "0", 8160, 3840, 375, 255},
        {"Label5", "Frame3", Kind::Label, "Bitmap Data", 8760, 3840, 1455, 255},
        {"cmdSaveSU", "Frame3", Kind::Button, "Save Current Screen as Startup", 5400, 4440, 3015, 495},
        {"Label6", "Frame3", Kind::Label, "Display Position", 8880, 1320, 1215, 255},
        {"cmdSendBM", "Frame3", Kind::Button, "Display Bitmap", 8880, 1680, 1335, 375},
        {"Label7", "Frame3", Kind::Label, "Save at Location", 8880, 2280, 1335, 255},
        {"cboBMP", "Frame3", Kind::List, "", 8880, 2520, 735, 315},
        {"cmdSaveBitmap", "Frame3", Kind::Button, "Save Bitmap", 8880, 3000, 1335, 375},
    };
    return table;
}

const std::vector<const char *> &focusOrder()
{
    static const std::vector<const char *> order{
        "cboComm",  "cmdConnect",  "txtAText",    "cmdSendDA",   "txtSText",
        "cmdScroll", "cboSpeed",   "cmdSpeed",    "cboPosition", "cmdCLR",
        "txtBText", "cmdSendBM",   "cboBMP",      "cmdSaveBitmap", "cmdAnimate0",
        "cmdAnimate1", "cmdAnimate2", "cmdAnimate3", "cmdSaveSU",
    };
    return order;
}

QRect pixelRect(const Control &control)
{
    return QRect(pixels(control.left), pixels(control.top), pixels(control.width),
                 pixels(control.height));
}

} // namespace Layout

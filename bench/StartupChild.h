#pragma once

#include <QString>

// The bench's child processes for the start-up figures. Each builds one
// window, and once the window is exposed and painted prints
//     exposed <monotonic ns> <VmRSS KiB>
// on a line of its own and ends.
namespace StartupChild {

// The control panel, started as the program's own main() starts it, with
// programFolder standing in for the program's folder.
int runApp(int &argc, char **argv, const QString &programFolder);

// The baselines: a plain QWidget of the panel's size, with nothing in it or
// with one line of text in the panel's face. Any window that shows text pays
// for starting the font machinery; the second baseline pays it too.
int runBare(int &argc, char **argv, bool withText);

} // namespace StartupChild

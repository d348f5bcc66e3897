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

// The baseline: a plain QWidget of the panel's size and nothing else.
int runBare(int &argc, char **argv);

} // namespace StartupChild

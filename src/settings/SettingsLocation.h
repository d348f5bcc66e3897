#pragma once

#include <QString>

// Where a program finds the settings file "vexel.ini": in its own folder, as
// it always has, unless the user has a file of their own. On Windows that is
// %APPDATA%\VexelApp\vexel.ini: installed under Program Files, the program's
// folder belongs to the administrator, and a user who wants another port
// copies the file there and changes it. Elsewhere there is no such file (on
// Linux, installed, the program folder holds a link to /etc/vexelapp/vexel.ini).

// The user's own settings folder; empty where the system has none.
QString userSettingsFolder();

// The file to read: the user folder's vexel.ini when it exists, else the
// program folder's.
QString settingsFilePath(const QString &programFolder, const QString &userFolder = userSettingsFolder());

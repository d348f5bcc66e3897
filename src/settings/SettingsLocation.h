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

// The value of key in section and the file that gives it: the user folder's
// vexel.ini when it gives one, else the program folder's. A user's file that
// is empty, or leaves the key out, does not hide the machine's choice.
struct SettingsValue
{
    QString file;
    QString value;
};
SettingsValue settingsValue(const QString &programFolder, const QString &section, const QString &key,
                            const QString &userFolder = userSettingsFolder());
QString settingsFilePath(const QString &programFolder, const QString &section, const QString &key,
                         const QString &userFolder = userSettingsFolder());

// Which port the panel preselects at start-up, from which file and value,
// for a person: "vexel.ini (PATH) selects port 6: CommPort ...".
QString startupPortReport(const QString &programFolder, const QString &userFolder = userSettingsFolder());

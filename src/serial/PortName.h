#pragma once

#include <QString>

// How port numbers become device names.
//
// On Linux and macOS port n is the entry "COMn" in the program's folder when
// there is one, usually a symbolic link to a device (ln -s /dev/ttyUSB0 COM3),
// the way compatibility layers map COM ports; else the entry "COMn" in the
// user's own folder, for users who may not write the program's folder; else,
// on Linux, /dev/ttyS(n-1), while macOS has no device for the number. The
// program folder comes first so that no user can hide the administrator's
// mapping. On Windows port n is the pipe of this user's virtual module while
// one serves it (VirtualPort.h), else the device \\.\COMn, a name that also
// holds for ports above 9. Numbers below 1 name no port.

enum class PortNaming { Windows, Linux, OtherUnix };

// The panel's list names ports 1 to 20; the command-line programs take the same numbers.
constexpr int LastPortNumber = 20;

PortNaming hostPortNaming();

// "COMn", the name under which port n may appear in the program's folder.
QString portLinkName(int number);

// The device of port n when neither folder has an entry for it; empty when
// the number names nothing. devDir stands in for /dev in tests.
QString builtInPortName(int number, PortNaming naming, const QString &devDir = QStringLiteral("/dev"));

// $XDG_CONFIG_HOME/vexelapp, by default ~/.config/vexelapp: the user's own
// folder for COMn links. Read from the environment on every call.
QString userPortFolder();

enum class PortSource { ProgramFolder, UserFolder, VirtualModule, System };

struct PortLookup
{
    PortSource source = PortSource::System;
    QString path; // the COMn entry, the pipe or the built-in name; empty for no port
};

// Which entry port n opens. An entry that leads nowhere (a dangling link)
// still counts, so that opening it fails instead of silently falling back to
// another device. An empty userDir is skipped.
PortLookup lookUpPort(int number, const QString &programDir, const QString &userDir = userPortFolder(),
                      const QString &devDir = QStringLiteral("/dev"));

// The device that a path, typically a link, finally names. A path that leads
// nowhere (a dangling link) is returned as it is, so that opening it fails
// instead of silently falling back to another device.
QString deviceBehind(const QString &path);

// The device to open for port n on this machine, links resolved to the device
// they finally name. QSerialPort locks a device under the name it was given, so
// two programs only exclude each other when both open the device by its own name.
QString portDevicePath(int number, const QString &programDir, const QString &userDir = userPortFolder());

// Where a new COMn link goes: the program's folder when this user may write
// there, else the user's folder.
QString linkFolder(const QString &programDir, const QString &userDir = userPortFolder());

// The number n of a Windows port name "COMn", or 0 for a name of another
// kind; for ordering ports as people count them (COM2 before COM12).
int comPortNumber(const QString &name);

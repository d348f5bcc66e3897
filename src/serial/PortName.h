#pragma once

#include <QString>

// How port numbers become device names.
//
// On Linux and macOS port n is the entry "COMn" in the program's folder when
// there is one, usually a symbolic link to a device (ln -s /dev/ttyUSB0 COM3),
// the way compatibility layers map COM ports. Without such an entry, Linux
// falls back to /dev/ttyS(n-1) and macOS has no device for the number. On
// Windows port n is COMn itself. Numbers below 1 name no port.

enum class PortNaming { Windows, Linux, OtherUnix };

PortNaming hostPortNaming();

// "COMn", the name under which port n may appear in the program's folder.
QString portLinkName(int number);

// The device of port n when the program's folder has no entry for it; empty
// when the number names nothing.
QString builtInPortName(int number, PortNaming naming);

// The device that a path, typically a link, finally names. A path that leads
// nowhere (a dangling link) is returned as it is, so that opening it fails
// instead of silently falling back to another device.
QString deviceBehind(const QString &path);

// The device to open for port n on this machine, links resolved to the device
// they finally name. QSerialPort locks a device under the name it was given, so
// two programs only exclude each other when both open the device by its own name.
// An entry that leads nowhere (a dangling link) is returned as it is, so that
// opening it fails instead of silently falling back to another device.
QString portDevicePath(int number, const QString &programDir);

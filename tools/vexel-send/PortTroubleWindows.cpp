#include "PortTrouble.h"

#include "PortName.h"

#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

#include <windows.h>

namespace {

// Windows refuses a second open of a COM port as "access denied", the same
// words it has for a missing right, which COM ports do not need; so a port
// that is denied is one that another program has open.
bool isHeld(const QString &device)
{
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return false;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

// Windows says why it refused to open a port in the error itself, but for a
// port held elsewhere in words that blame rights; what it cannot say is that
// there is no such port at all.
QString portTrouble(const QString &device)
{
    const QString deviceNamespace = QStringLiteral("\\\\.\\");
    const QString name = device.startsWith(deviceNamespace) ? device.mid(deviceNamespace.size()) : device;
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return comPortNumber(a.portName()) < comPortNumber(b.portName());
    });
    QStringList known;
    for (const QSerialPortInfo &port : ports) {
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return isHeld(device) ? QStringLiteral("held by another program: Windows lets one program at a time "
                                                   "open a COM port")
                                  : QString();
        known << port.portName();
    }
    if (known.isEmpty())
        return QStringLiteral("no such port: Windows knows no COM port");
    return QStringLiteral("no such port: Windows knows %1").arg(known.join(QStringLiteral(", ")));
}

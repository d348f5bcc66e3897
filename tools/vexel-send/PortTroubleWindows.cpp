#include "PortTrouble.h"

#include "PortName.h"
#include "VirtualPort.h"

#include <QSerialPortInfo>
#include <QStringList>

#include <algorithm>

// Windows says why it refused to open a port in the error itself, but for a
// port another program has open in words that blame rights ("access
// denied"), which COM ports do not need; what it cannot say is that there is
// no such port at all.
QString portTrouble(const QString &device, bool permissionRefused)
{
    if (VirtualPort::isPipe(device))
        return permissionRefused ? VirtualPort::heldReason() : QString();
    const QString deviceNamespace = QStringLiteral("\\\\.\\");
    const QString name = device.startsWith(deviceNamespace) ? device.mid(deviceNamespace.size()) : device;
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return comPortNumber(a.portName()) < comPortNumber(b.portName());
    });
    QStringList known;
    for (const QSerialPortInfo &port : ports) {
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return permissionRefused ? QStringLiteral("held by another program: Windows lets one program at a time "
                                                      "open a COM port")
                                     : QString();
        known << port.portName();
    }
    if (known.isEmpty())
        return QStringLiteral("no such port: Windows knows no COM port");
    return QStringLiteral("no such port: Windows knows %1").arg(known.join(QStringLiteral(", ")));
}

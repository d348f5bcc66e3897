#include "PortTrouble.h"

#include <QSerialPortInfo>
#include <QStringList>

// Windows says why it refused to open a port (in use, access denied) in the
// error itself; what it cannot say is that there is no such port at all.
QString portTrouble(const QString &device, bool)
{
    const QString deviceNamespace = QStringLiteral("\\\\.\\");
    const QString name = device.startsWith(deviceNamespace) ? device.mid(deviceNamespace.size()) : device;
    QStringList known;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return QString();
        known << port.portName();
    }
    if (known.isEmpty())
        return QStringLiteral("no such port: Windows knows no COM port");
    return QStringLiteral("no such port: Windows knows %1").arg(known.join(QStringLiteral(", ")));
}

#include "PortTrouble.h"

#include "PortSurvey.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

QString portTrouble(const QString &device)
{
    const QFileInfo entry(device);
    if (entry.isSymLink() && !entry.exists())
        return QStringLiteral("the link leads nowhere: %1 does not exist").arg(entry.symLinkTarget());
    const PortSurvey survey{QString()};
    const PortSurvey::PortStatus status = survey.pathStatus(device, survey.openFiles());
    if (status.device.isEmpty())
        return QStringLiteral("no such device");
    if (!status.accessible)
        return QStringLiteral("not permitted: ") + PortSurvey::DialoutHint;
    if (status.noHardware)
        return QStringLiteral("no serial hardware behind it");
    if (!status.notSerial.isEmpty())
        return QStringLiteral("not a serial device: ") + status.notSerial;
    QStringList holders;
    for (const PortSurvey::Holder &holder : status.holders) {
        if (holder.pid != QCoreApplication::applicationPid())
            holders << QStringLiteral("%1 (%2)").arg(holder.pid).arg(holder.command);
    }
    if (holders.isEmpty())
        return QString();
    return QStringLiteral("held by another program: ") + holders.join(QStringLiteral(", "));
}

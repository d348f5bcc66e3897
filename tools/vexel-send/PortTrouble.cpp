#include "PortTrouble.h"

#include "PortSurvey.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Only a terminal can be a serial line. Opened without waiting for a carrier
// and without becoming anyone's controlling terminal; a device that cannot be
// opened here is given the benefit of the doubt.
bool isTerminal(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return true;
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal;
}

} // namespace

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
    if (QFileInfo(status.device).isFile())
        return QStringLiteral("a plain file, not a serial device");
    if (!isTerminal(status.device))
        return QStringLiteral("not a serial device");
    QStringList holders;
    for (const PortSurvey::Holder &holder : status.holders) {
        if (holder.pid != QCoreApplication::applicationPid())
            holders << QStringLiteral("%1 (%2)").arg(holder.pid).arg(holder.command);
    }
    if (holders.isEmpty())
        return QString();
    return QStringLiteral("held by another program: ") + holders.join(QStringLiteral(", "));
}

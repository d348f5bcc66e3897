#include "PortTrouble.h"

#include "PortSurvey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <signal.h>

namespace {

// Where Qt's serial port layer keeps the device's lock: named after the
// device below /dev, in the first of these folders this user may write.
QString lockFile(const QString &device)
{
    const QString name = QStringLiteral("LCK..") + device.mid(device.startsWith(QLatin1String("/dev/")) ? 5 : 0).replace('/', '_');
    for (const QString &folder : {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
                                  QStringLiteral("/var/spool/uucp"), QStandardPaths::writableLocation(QStandardPaths::TempLocation)}) {
        const QFileInfo place(folder);
        if (place.isReadable() && place.isWritable())
            return QDir(folder).filePath(name);
    }
    return QString();
}

} // namespace

QString portTrouble(const QString &device, bool permissionRefused)
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
    if (!holders.isEmpty())
        return QStringLiteral("held by another program: ") + holders.join(QStringLiteral(", "));
    // The serial port layer takes its lock before it opens the device, and
    // lets go after closing it: a program just starting or just ending holds
    // the lock alone.
    if (!permissionRefused)
        return QString();
    const QString lock = lockFile(QFileInfo(device).canonicalFilePath());
    qint64 pid = 0;
    QString host, program;
    if (!lock.isEmpty() && QLockFile(lock).getLockInfo(&pid, &host, &program) && pid != QCoreApplication::applicationPid()
        && (::kill(pid_t(pid), 0) == 0 || errno == EPERM))
        return QStringLiteral("held by another program: %1 (%2)").arg(pid).arg(program);
    return QStringLiteral("held by another program a moment ago, which has let go since");
}

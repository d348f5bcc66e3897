#include "PortSurvey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool isRealTtyS(const QString &sysDir, const QString &device)
{
    const QString name = QFileInfo(device).fileName();
    if (!name.startsWith(QLatin1String("ttyS")))
        return true;
    QFile type(QStringLiteral("%1/class/tty/%2/type").arg(sysDir, name));
    // The kernel makes ttyS nodes for UARTs that may not be there, and gives those type 0.
    return !type.open(QIODevice::ReadOnly) || type.readAll().trimmed() != "0";
}

// What a path that no serial device can be opened through is, or empty when
// it is a terminal: the kernel lists every terminal it made in /sys/class/tty
// under its /dev name, except the pseudo-terminals in /dev/pts. Without that
// list (no /sys) nothing is said.
QString notSerialKind(const QString &devDir, const QString &sysDir, const QString &device)
{
    struct stat info{};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return QString();
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("a folder");
    const QString terminals = sysDir + QStringLiteral("/class/tty/");
    if (device.startsWith(devDir + QStringLiteral("/pts/")) || !QFileInfo::exists(terminals)
        || QFileInfo::exists(terminals + QFileInfo(device).fileName()))
        return QString();
    return S_ISREG(info.st_mode) ? QStringLiteral("a plain file")
        : S_ISCHR(info.st_mode)  ? QStringLiteral("another kind of device")
                                 : QStringLiteral("a special file");
}

} // namespace

PortSurvey::PortSurvey(const QString &programDir, const QString &devDir, const QString &procDir, const QString &sysDir,
                       const QString &userDir)
    : m_programDir(programDir)
    , m_userDir(userDir)
    , m_devDir(devDir)
    , m_procDir(procDir)
    , m_sysDir(sysDir)
{
}

QString PortSurvey::portPath(int number) const
{
    return lookUpPort(number, m_programDir, m_userDir, m_devDir).path;
}

PortSurvey::PortStatus PortSurvey::status(int number, const OpenFiles &openFiles) const
{
    const PortLookup port = lookUpPort(number, m_programDir, m_userDir, m_devDir);
    PortStatus status = pathStatus(port.path, openFiles);
    status.number = number;
    status.source = port.source;
    return status;
}

PortSurvey::PortStatus PortSurvey::pathStatus(const QString &path, const OpenFiles &openFiles) const
{
    PortStatus status;
    status.path = path;
    status.device = canonical(status.path);
    if (status.device.isEmpty())
        return status;
    status.accessible = ::access(QFile::encodeName(status.device).constData(), R_OK | W_OK) == 0;
    status.noHardware = !isRealTtyS(m_sysDir, status.device);
    status.notSerial = notSerialKind(m_devDir, m_sysDir, status.device);
    status.holders = openFiles.value(status.device);
    return status;
}

PortSurvey::OpenFiles PortSurvey::openFiles() const
{
    OpenFiles files;
    const QDir proc(m_procDir);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 number = pid.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QFileInfoList entries = fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        if (entries.isEmpty())
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        const QString command = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        QSet<QString> seen;
        for (const QFileInfo &fd : entries) {
            const QString target = fd.symLinkTarget();
            if (!seen.contains(target)) {
                seen.insert(target);
                files[target] << Holder{number, command};
            }
        }
    }
    return files;
}

QList<PortSurvey::UsbDevice> PortSurvey::usbDevices() const
{
    QMap<QString, UsbDevice> byDevice;
    const QDir dev(m_devDir);
    for (const QFileInfo &node : dev.entryInfoList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                                   QDir::AllEntries | QDir::System, QDir::Name)) {
        const QString device = canonical(node.filePath());
        byDevice.insert(device, UsbDevice{node.filePath(), device, 0});
    }
    // The by-id names survive unplugging and plugging in another order, so they make the better links.
    const QDir byId(dev.filePath(QStringLiteral("serial/by-id")));
    for (const QFileInfo &name : byId.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = canonical(name.filePath());
        if (!device.isEmpty())
            byDevice.insert(device, UsbDevice{name.filePath(), device, 0});
    }
    for (int number = 1; number <= PortCount; ++number) {
        const QString target = canonical(portPath(number));
        if (byDevice.contains(target) && byDevice[target].port == 0)
            byDevice[target].port = number;
    }
    return byDevice.values();
}

QList<int> PortSurvey::freePorts() const
{
    QList<int> free;
    for (int number = 1; number <= PortCount; ++number) {
        if (lookUpPort(number, m_programDir, m_userDir, m_devDir).source == PortSource::System)
            free << number;
    }
    return free;
}

QString PortSurvey::linkCommand(const QString &device, int number) const
{
    const QString folder = linkFolder(m_programDir, m_userDir);
    const QString link = QDir(folder).absoluteFilePath(portLinkName(number));
    // The user's folder may not exist yet.
    if (folder == m_programDir)
        return QStringLiteral("ln -s %1 %2").arg(device, link);
    return QStringLiteral("mkdir -p %1 && ln -s %2 %3").arg(QDir(folder).absolutePath(), device, link);
}

QString PortSurvey::describe(PortSource source)
{
    switch (source) {
    case PortSource::ProgramFolder:
        return QStringLiteral("the program folder's link");
    case PortSource::UserFolder:
        return QStringLiteral("your link");
    case PortSource::VirtualModule:
        return QStringLiteral("the virtual module");
    case PortSource::System:
        break;
    }
    return QStringLiteral("the system's serial port");
}

QString PortSurvey::describe(const PortStatus &status)
{
    if (status.device.isEmpty())
        return status.viaLink() ? QStringLiteral("missing: the link leads nowhere") : QStringLiteral("missing");
    if (!status.notSerial.isEmpty())
        return QStringLiteral("present, but not a serial device: ") + status.notSerial;
    QString text = status.noHardware ? QStringLiteral("present, but no serial hardware behind it") : QStringLiteral("present");
    if (status.accessible) {
        text += QStringLiteral("; you may open it");
    } else {
        text += QStringLiteral("; you may not open it: ") + DialoutHint;
    }
    if (!status.holders.isEmpty()) {
        QStringList holders;
        for (const Holder &holder : status.holders)
            holders << QStringLiteral("%1 (%2)").arg(holder.pid).arg(holder.command);
        text += QStringLiteral("; held open by ") + holders.join(QStringLiteral(", "));
    }
    return text;
}

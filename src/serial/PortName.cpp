#include "PortName.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

PortNaming hostPortNaming()
{
#if defined(Q_OS_WIN)
    return PortNaming::Windows;
#elif defined(Q_OS_LINUX)
    return PortNaming::Linux;
#else
    return PortNaming::OtherUnix;
#endif
}

QString portLinkName(int number)
{
    if (number < 1)
        return QString();
    return QStringLiteral("COM%1").arg(number);
}

QString builtInPortName(int number, PortNaming naming, const QString &devDir)
{
    if (number < 1)
        return QString();
    switch (naming) {
    case PortNaming::Windows:
        // The device namespace's own name: plain "COM10" and above name no device.
        return QStringLiteral("\\\\.\\") + portLinkName(number);
    case PortNaming::Linux:
        return QStringLiteral("%1/ttyS%2").arg(devDir).arg(number - 1);
    case PortNaming::OtherUnix:
        break;
    }
    return QString();
}

QString deviceBehind(const QString &path)
{
    const QFileInfo entry(path);
    return entry.exists() ? entry.canonicalFilePath() : entry.absoluteFilePath();
}

QString userPortFolder()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/vexelapp");
}

PortLookup lookUpPort(int number, const QString &programDir, const QString &userDir, const QString &devDir)
{
    const PortNaming naming = hostPortNaming();
    if (number >= 1 && naming != PortNaming::Windows) {
        const std::pair<PortSource, QString> folders[] = {{PortSource::ProgramFolder, programDir},
                                                           {PortSource::UserFolder, userDir}};
        for (const auto &[source, folder] : folders) {
            if (folder.isEmpty())
                continue;
            const QFileInfo entry(QDir(folder).filePath(portLinkName(number)));
            if (entry.exists() || entry.isSymLink())
                return {source, entry.absoluteFilePath()};
        }
    }
    return {PortSource::System, builtInPortName(number, naming, devDir)};
}

QString portDevicePath(int number, const QString &programDir, const QString &userDir)
{
    const PortLookup port = lookUpPort(number, programDir, userDir);
    return port.source == PortSource::System ? port.path : deviceBehind(port.path);
}

QString linkFolder(const QString &programDir, const QString &userDir)
{
    return QFileInfo(programDir).isWritable() ? programDir : userDir;
}

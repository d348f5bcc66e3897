#include "PortName.h"

#include <QDir>
#include <QFileInfo>

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

QString builtInPortName(int number, PortNaming naming)
{
    if (number < 1)
        return QString();
    switch (naming) {
    case PortNaming::Windows:
        return portLinkName(number);
    case PortNaming::Linux:
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
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

QString portDevicePath(int number, const QString &programDir)
{
    const PortNaming naming = hostPortNaming();
    if (number < 1 || naming == PortNaming::Windows)
        return builtInPortName(number, naming);

    const QFileInfo entry(QDir(programDir).filePath(portLinkName(number)));
    if (entry.exists() || entry.isSymLink())
        return deviceBehind(entry.filePath());
    return builtInPortName(number, naming);
}

#include "PortName.h"

#include "VirtualPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

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
#if defined(Q_OS_UNIX)
    // As the XDG rules have it, a relative XDG_CONFIG_HOME is ignored; and a
    // session started without HOME still has the user's home, not "/".
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isRelativePath(config)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            const passwd *user = ::getpwuid(::getuid());
            home = user && user->pw_dir ? QFile::decodeName(user->pw_dir) : QDir::rootPath();
        }
        config = home + QStringLiteral("/.config");
    }
#else
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return QString();
#endif
    return QDir::cleanPath(config + QStringLiteral("/vexelapp"));
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
    if (number >= 1 && naming == PortNaming::Windows && VirtualPort::served(number))
        return {PortSource::VirtualModule, VirtualPort::pipeName(number)};
    return {PortSource::System, builtInPortName(number, naming, devDir)};
}

QString portDevicePath(int number, const QString &programDir, const QString &userDir)
{
    const PortLookup port = lookUpPort(number, programDir, userDir);
    const bool linked = port.source == PortSource::ProgramFolder || port.source == PortSource::UserFolder;
    return linked ? deviceBehind(port.path) : port.path;
}

QString linkFolder(const QString &programDir, const QString &userDir)
{
    return QFileInfo(programDir).isWritable() ? programDir : userDir;
}

int comPortNumber(const QString &name)
{
    return name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? name.mid(3).toInt() : 0;
}

#include "SettingsLocation.h"

#include "IniReader.h"

#include <QDir>

QString userSettingsFolder()
{
#if defined(Q_OS_WIN)
    // The roaming folder, which follows the user from one computer to another.
    const QString appData = qEnvironmentVariable("APPDATA");
    return appData.isEmpty() ? QString() : QDir(appData).filePath(QStringLiteral("VexelApp"));
#else
    return QString();
#endif
}

SettingsValue settingsValue(const QString &programFolder, const QString &section, const QString &key,
                            const QString &userFolder)
{
    if (!userFolder.isEmpty()) {
        const QString users = QDir(userFolder).filePath(QStringLiteral("vexel.ini"));
        if (QString value = readIniValue(users, section, key); !value.isEmpty())
            return {users, value};
    }
    const QString programs = QDir(programFolder).filePath(QStringLiteral("vexel.ini"));
    return {programs, readIniValue(programs, section, key)};
}

QString settingsFilePath(const QString &programFolder, const QString &section, const QString &key,
                         const QString &userFolder)
{
    return settingsValue(programFolder, section, key, userFolder).file;
}

QString startupPortReport(const QString &programFolder, const QString &userFolder)
{
    const SettingsValue commPort =
        settingsValue(programFolder, QStringLiteral("Settings"), QStringLiteral("CommPort"), userFolder);
    const StartupPort selected = startupPort(commPort.value);
    return QStringLiteral("vexel.ini (%1) selects %2: %3.")
        .arg(QDir::toNativeSeparators(commPort.file),
             selected.index < 0 ? QStringLiteral("no port") : QStringLiteral("port %1").arg(selected.index + 1),
             selected.reason);
}

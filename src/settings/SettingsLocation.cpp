#include "SettingsLocation.h"

#include "IniReader.h"

#include <QDir>
#include <QFileInfo>

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

QString settingsFilePath(const QString &programFolder, const QString &section, const QString &key,
                         const QString &userFolder)
{
    if (!userFolder.isEmpty()) {
        const QString users = QDir(userFolder).filePath(QStringLiteral("vexel.ini"));
        if (!readIniValue(users, section, key).isEmpty())
            return users;
    }
    return QDir(programFolder).filePath(QStringLiteral("vexel.ini"));
}

QString startupPortReport(const QString &programFolder, const QString &userFolder)
{
    const QString section = QStringLiteral("Settings"), key = QStringLiteral("CommPort");
    const QString file = settingsFilePath(programFolder, section, key, userFolder);
    const StartupPort selected = startupPort(readIniValue(file, section, key));
    return QStringLiteral("vexel.ini (%1) selects %2: %3.")
        .arg(QDir::toNativeSeparators(file),
             selected.index < 0 ? QStringLiteral("no port") : QStringLiteral("port %1").arg(selected.index + 1),
             selected.reason);
}

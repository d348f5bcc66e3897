#include "SettingsLocation.h"

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

QString settingsFilePath(const QString &programFolder, const QString &userFolder)
{
    if (!userFolder.isEmpty()) {
        const QFileInfo users(QDir(userFolder).filePath(QStringLiteral("vexel.ini")));
        if (users.isFile())
            return users.filePath();
    }
    return QDir(programFolder).filePath(QStringLiteral("vexel.ini"));
}

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line of vexel-send. Options come before the command: whatever
// follows the command's name belongs to the command, dashes included.
struct SendOptions
{
    static const QString HelpText;
    static constexpr int LastPort = 20;

    int port = 0;          // --port N; 0 when not given
    QString device;        // --device PATH
    QString dir;           // --dir DIR: the panel's folder, for vexel.ini and the COMn links
    QString file;          // --file FILE, "-" for standard input
    bool quiet = false;
    bool help = false;
    QStringList command;   // the command's name and its arguments

    // arguments start with the program's name, as QCoreApplication::arguments().
    // nullopt with the reason in error for bad usage.
    static std::optional<SendOptions> parse(const QStringList &arguments, const QString &defaultDir, QString &error);
};

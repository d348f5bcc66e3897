#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line of vexel-send. Options may stand before or after the
// command's words; "--" ends them, for words that begin with a dash.
struct SendOptions
{
    static const QString HelpText;
    static constexpr int DefaultIntervalMs = 100;

    int port = 0;          // --port N; 0 when not given
    QString device;        // --device PATH
    QString dir;           // --dir DIR: the panel's folder, for vexel.ini and the COMn links
    QString file;          // --file FILE, "-" for standard input
    int intervalMs = DefaultIntervalMs; // --interval MS: the time of a frame that has none of its own
    bool intervalGiven = false;
    int passes = 1;        // --repeat N; 0 for --loop, until stopped
    bool passesGiven = false; // --repeat or --loop, over a picture's own loop mark
    bool invert = false;   // --invert: pictures' dark dots are the lit ones
    bool quiet = false;
    bool help = false;
    QStringList command;   // the command's name and its arguments

    // arguments start with the program's name, as QCoreApplication::arguments().
    // nullopt with the reason in error for bad usage.
    static std::optional<SendOptions> parse(const QStringList &arguments, const QString &defaultDir, QString &error);
};

#pragma once

#include "ModuleCommand.h"
#include "SendOptions.h"

#include <QList>
#include <QString>

#include <optional>

// The commands of one run: the one of the command line, or every line of the
// command file. All are checked before the port is opened, so that bad usage
// sends nothing. Files are read as UTF-8, or UTF-16 with its mark; standard
// input only once, whether as the command file or as a pattern.
class CommandPlan
{
public:
    // Tens of thousands of commands. A larger file is refused before it is
    // read, a stream once it runs past the limit.
    static constexpr qint64 MaxCommandFileBytes = 1024 * 1024;
    // Everything a run sends is kept until it is sent, so that a bad line
    // sends nothing: bounds for the whole run, however many of its lines
    // name files (a frame takes a dozen bytes).
    static constexpr qint64 MaxRunFileBytes = 16 * 1024 * 1024;
    static constexpr qsizetype MaxRunFrames = 100000;

    struct Step
    {
        QString origin;   // "FILE:LINE: " for a line of a command file, else empty
        ModuleCommand command;
    };

    // nullopt with the reason in error, prefixed with its origin.
    static std::optional<QList<Step>> make(const SendOptions &options, QString &error);

    // How often the steps run, 0 until stopped: as --repeat or --loop say,
    // else as the one picture played on the command line is marked to loop
    // (a command file's pictures play once each, so that its lines go on).
    static int passes(const SendOptions &options, const QList<Step> &steps);
};

#pragma once

#include "ModuleCommand.h"
#include "SendOptions.h"

#include <QList>
#include <QString>

#include <optional>

// The commands of one run: the one of the command line, or every line of the
// command file. All are checked before the port is opened, so that bad usage
// sends nothing. Files are read as UTF-8; standard input only once, whether
// as the command file or as a pattern.
class CommandPlan
{
public:
    // Tens of thousands of commands. A larger file is refused before it is
    // read, a stream once it runs past the limit.
    static constexpr qint64 MaxCommandFileBytes = 1024 * 1024;

    struct Step
    {
        QString origin;   // "FILE:LINE: " for a line of a command file, else empty
        ModuleCommand command;
    };

    // nullopt with the reason in error, prefixed with its origin.
    static std::optional<QList<Step>> make(const SendOptions &options, QString &error);
};

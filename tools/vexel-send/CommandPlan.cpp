#include "CommandPlan.h"

#include "LineWords.h"
#include "PlayPlanner.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

// At most maxBytes of an open file: a regular file that is larger is refused
// before any of it is read, a stream once it runs past the limit, so that
// neither an endless pipe nor a huge file fills the memory.
std::optional<QByteArray> readBounded(QFile &file, const QString &name, qint64 maxBytes, QString &why)
{
    if (!file.isSequential() && file.size() > maxBytes) {
        why = ModuleCommand::tooLong(name, maxBytes);
        return std::nullopt;
    }
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray chunk = file.read(std::min(ChunkBytes, maxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        why = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    if (bytes.size() > maxBytes) {
        why = ModuleCommand::tooLong(name, maxBytes);
        return std::nullopt;
    }
    return bytes;
}

// A run whose repeats would write the module's memory again each pass, or
// whose interval would time nothing, is refused rather than run otherwise
// than asked.
std::optional<QList<CommandPlan::Step>> timingChecked(QList<CommandPlan::Step> steps, const SendOptions &options,
                                                      QString &error)
{
    const int passes = CommandPlan::passes(options, steps);
    const bool stores = std::any_of(steps.begin(), steps.end(), [](const CommandPlan::Step &step) { return step.command.isStore(); });
    if (passes != 1 && stores)
        error = QStringLiteral("--repeat and --loop repeat no save or save-startup: each pass would write the module's memory again");
    else if (options.intervalGiven && !PlayPlanner::takesInterval(steps, passes))
        error = QStringLiteral("--interval times nothing here: it is the time of a frame without one of its own, and the pace "
                               "of repeated commands without frames or waits");
    else
        return steps;
    return std::nullopt;
}

} // namespace

std::optional<QList<CommandPlan::Step>> CommandPlan::make(const SendOptions &options, QString &error)
{
    bool standardInputRead = false;
    qint64 bytesRead = 0;
    const ModuleCommand::FileReader read = [&standardInputRead, &bytesRead](const QString &name, qint64 maxBytes,
                                                                            QString &why) -> std::optional<QByteArray> {
        QFile file(name);
        const bool standardInput = name == QLatin1String("-");
        if (standardInput && standardInputRead) {
            why = QStringLiteral("standard input is read only once");
            return std::nullopt;
        }
        standardInputRead = standardInputRead || standardInput;
        if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
            why = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
            return std::nullopt;
        }
        std::optional<QByteArray> content = readBounded(file, standardInput ? QStringLiteral("standard input") : name, maxBytes, why);
        bytesRead += content ? content->size() : 0;
        if (bytesRead > MaxRunFileBytes + MaxCommandFileBytes) {
            why = QStringLiteral("the files of this run hold more than %1 bytes, the most one run reads").arg(MaxRunFileBytes);
            return std::nullopt;
        }
        return content;
    };

    if (options.file.isEmpty()) {
        const std::optional<ModuleCommand> command = ModuleCommand::parse(options.command, read, options.invert, error);
        if (!command)
            return std::nullopt;
        return timingChecked({{QString(), *command}}, options, error);
    }
    const std::optional<QByteArray> content = read(options.file, MaxCommandFileBytes, error);
    if (!content)
        return std::nullopt;
    const std::optional<QString> text = ModuleCommand::fileText(*content, options.file, error);
    if (!text)
        return std::nullopt;
    QList<Step> steps;
    qsizetype frames = 0;
    const QStringList lines = text->split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString origin = QStringLiteral("%1:%2: ").arg(options.file).arg(i + 1);
        const std::optional<QStringList> words = splitWords(lines[i], error);
        if (words && words->isEmpty())
            continue;
        const std::optional<ModuleCommand> command = words ? ModuleCommand::parse(*words, read, options.invert, error) : std::nullopt;
        frames += command ? command->frames.size() : 0;
        if (command && frames > MaxRunFrames)
            error = QStringLiteral("the frames of this run are more than %1, the most one run holds").arg(MaxRunFrames);
        if (!command || frames > MaxRunFrames) {
            error = origin + error;
            return std::nullopt;
        }
        steps << Step{origin, *command};
    }
    return timingChecked(std::move(steps), options, error);
}

int CommandPlan::passes(const SendOptions &options, const QList<Step> &steps)
{
    if (options.passesGiven || !options.file.isEmpty() || steps.size() != 1)
        return options.passes;
    return steps.first().command.passes;
}

#include "CommandPlan.h"

#include "LineWords.h"
#include "PlayPlanner.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

bool decodes(QStringConverter::Encoding encoding, QByteArrayView bytes, QString &text)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless); // a mark is dropped
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

// A text file as editors write it: UTF-8, with or without its mark, or UTF-16
// with its mark, as Windows calls "Unicode". Other bytes are refused, with
// their line, rather than guessed at: Windows-1252 is only one of the code
// pages such a file may be in, and a wrong guess sends other letters unseen.
std::optional<QString> decoded(const QByteArray &bytes, const QString &name, QString &why)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        if (decodes(QStringConverter::Utf16, bytes, text))
            return text;
        why = QStringLiteral("%1: not UTF-16 throughout, though it starts as UTF-16").arg(name);
        return std::nullopt;
    }
    if (decodes(QStringConverter::Utf8, bytes, text))
        return text;
    int line = 1;
    for (qsizetype start = 0; start < bytes.size(); ++line) {
        const qsizetype lineEnd = bytes.indexOf('\n', start);
        const qsizetype end = lineEnd < 0 ? bytes.size() : lineEnd;
        if (!decodes(QStringConverter::Utf8, QByteArrayView(bytes).sliced(start, end - start), text))
            break;
        start = end + 1;
    }
    why = QStringLiteral("%1:%2: bytes that are not UTF-8; save the file as UTF-8").arg(name).arg(line);
    return std::nullopt;
}

// At most maxBytes of an open file: a regular file that is larger is refused
// before any of it is read, a stream once it runs past the limit, so that
// neither an endless pipe nor a huge file fills the memory.
std::optional<QString> readBounded(QFile &file, const QString &name, qint64 maxBytes, QString &why)
{
    const QString tooLong = QStringLiteral("%1: more than %2 bytes, the most such a file may hold").arg(name).arg(maxBytes);
    if (!file.isSequential() && file.size() > maxBytes) {
        why = tooLong;
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
        why = tooLong;
        return std::nullopt;
    }
    return decoded(bytes, name, why);
}

// A run whose repeats would write the module's memory again each pass, or
// whose interval would time nothing, is refused rather than run otherwise
// than asked.
std::optional<QList<CommandPlan::Step>> timingChecked(QList<CommandPlan::Step> steps, const SendOptions &options,
                                                      QString &error)
{
    const bool stores = std::any_of(steps.begin(), steps.end(), [](const CommandPlan::Step &step) { return step.command.isStore(); });
    if (options.passes != 1 && stores)
        error = QStringLiteral("--repeat and --loop repeat no save or save-startup: each pass would write the module's memory again");
    else if (options.intervalGiven && !PlayPlanner::takesInterval(steps, options.passes))
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
    const ModuleCommand::TextReader read = [&standardInputRead, &bytesRead](const QString &name, qint64 maxBytes,
                                                                            QString &why) -> std::optional<QString> {
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
        std::optional<QString> text = readBounded(file, standardInput ? QStringLiteral("standard input") : name, maxBytes, why);
        bytesRead += text ? text->size() : 0;
        if (bytesRead > MaxRunFileBytes + MaxCommandFileBytes) {
            why = QStringLiteral("the files of this run hold more than %1 bytes, the most one run reads").arg(MaxRunFileBytes);
            return std::nullopt;
        }
        return text;
    };

    if (options.file.isEmpty()) {
        const std::optional<ModuleCommand> command = ModuleCommand::parse(options.command, read, options.invert, error);
        if (!command)
            return std::nullopt;
        return timingChecked({{QString(), *command}}, options, error);
    }
    const std::optional<QString> text = read(options.file, MaxCommandFileBytes, error);
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

#include "CommandPlan.h"

#include "LineWords.h"

#include <QFile>

#include <cstdio>

std::optional<QList<CommandPlan::Step>> CommandPlan::make(const SendOptions &options, QString &error)
{
    bool standardInputRead = false;
    const ModuleCommand::TextReader read = [&standardInputRead](const QString &name, QString &why) -> std::optional<QString> {
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
        return QString::fromUtf8(file.readAll());
    };

    if (options.file.isEmpty()) {
        const std::optional<ModuleCommand> command = ModuleCommand::parse(options.command, read, options.invert, error);
        if (!command)
            return std::nullopt;
        return QList<Step>{{QString(), *command}};
    }
    const std::optional<QString> text = read(options.file, error);
    if (!text)
        return std::nullopt;
    QList<Step> steps;
    const QStringList lines = text->split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString origin = QStringLiteral("%1:%2: ").arg(options.file).arg(i + 1);
        const std::optional<QStringList> words = splitWords(lines[i], error);
        if (words && words->isEmpty())
            continue;
        const std::optional<ModuleCommand> command = words ? ModuleCommand::parse(*words, read, options.invert, error) : std::nullopt;
        if (!command) {
            error = origin + error;
            return std::nullopt;
        }
        steps << Step{origin, *command};
    }
    return steps;
}

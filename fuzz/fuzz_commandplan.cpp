// libFuzzer target for a whole command file, through the checks vexel-send
// --file runs before it opens the port: the input is the file. Standard input
// is empty, so "@-" reads nothing. A plan that passes holds only commands the
// module can take, one per line at most, in the order of their lines; a plan
// that fails names the line.

#include "Charset.h"
#include "CommandPlan.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using Kind = ModuleCommand::Kind;

bool inRange(int value, int count)
{
    return value >= 0 && value < count;
}

bool fitsModule(const ModuleCommand &command)
{
    using namespace ModuleProtocol;
    switch (command.kind) {
    case Kind::Chars:
        return moduleLetters(command.first).size() <= 2 && moduleLetters(command.second).size() <= 2;
    case Kind::Scroll: {
        // Every letter of a text has a byte, and none reaches the module as an
        // opcode, which would end it.
        const std::optional<QByteArray> bytes = toModuleBytes(command.text);
        return command.text.size() <= MaxScrollTextLength && bytes
               && std::none_of(bytes->cbegin(), bytes->cend(), [](char byte) { return isOpcode(std::uint8_t(byte)); });
    }
    case Kind::Speed:
        return inRange(command.choice, SpeedCount);
    case Kind::Show:
        return inRange(command.position, PositionCount);
    case Kind::Save:
        return inRange(command.choice, SlotCount);
    case Kind::Animate:
        return inRange(command.choice, AnimationCount) && inRange(command.position, PositionCount);
    case Kind::SaveStartup:
        return true;
    case Kind::Play:
        return inRange(command.position, PositionCount) && !command.frames.isEmpty()
               && command.frames.size() <= AnimationFrame::MaxFrames;
    case Kind::Wait:
        return command.waitMs > 0 && command.waitMs <= AnimationFrame::MaxHoldMs;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One folder for the whole run, removed when the fuzzer ends.
    static const QTemporaryDir folder;
    static const bool emptyInput = std::freopen("/dev/null", "r", stdin) != nullptr;
    if (!emptyInput)
        std::abort();
    SendOptions options;
    options.file = folder.filePath(QStringLiteral("commands"));
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile out(options.file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size())
        std::abort();
    out.close();

    QString error;
    const std::optional<QList<CommandPlan::Step>> steps = CommandPlan::make(options, error);
    if (!steps) {
        if (!error.startsWith(options.file + QLatin1Char(':')))
            std::abort();
        return 0;
    }
    // Lines end in LF, CR LF or a lone CR, as the reader takes them.
    qsizetype lines = 1;
    for (qsizetype at = 0; at < text.size(); ++at)
        lines += text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
    if (steps->size() > lines)
        std::abort();
    const QString prefix = options.file + QLatin1Char(':');
    const QLatin1String suffix(": ");
    qsizetype previousLine = 0;
    for (const CommandPlan::Step &step : *steps) {
        if (!step.origin.startsWith(prefix) || !step.origin.endsWith(suffix) || !fitsModule(step.command))
            std::abort();
        bool isNumber = false;
        const qsizetype line = step.origin.mid(prefix.size(), step.origin.size() - prefix.size() - suffix.size())
                                   .toLongLong(&isNumber);
        if (!isNumber || line <= previousLine || line > lines)
            std::abort();
        previousLine = line;
    }
    return 0;
}

#include "ModuleCommand.h"

#include "AnimationText.h"
#include "Charset.h"
#include "PatternText.h"
#include "PictureFormat.h"
#include "PicturePattern.h"
#include "QuotedWord.h"
#include "StaticCharacter.h"
#include "TextCommands.h"
#include "WholeNumber.h"

#include <QList>
#include <QStringDecoder>

using namespace ModuleProtocol;

namespace {

// A single digit 0 .. 9 below count, or -1.
int digitBelow(const QString &word, int count)
{
    return word.size() == 1 ? wholeNumber(word, 0, count - 1) : -1;
}

// A character box of the panel holds two characters at most, and only "^"
// and a digit use the second. A letter typed with its accent is one letter.
bool fitsCharacterBox(const QString &word)
{
    const qsizetype characters = moduleLetters(word).size();
    return characters <= 1 || (characters == 2 && word.startsWith(QLatin1Char('^')));
}

// The frames that @FILE names: a picture, else a text animation or, where
// one pattern is wanted, a single grid.
std::optional<PicturePattern::Animation> readFrames(const QString &word, bool single,
                                                    const ModuleCommand::FileReader &read, bool invert, QString &error)
{
    const QString name = word.mid(1);
    if (name.isEmpty()) {
        error = QStringLiteral("@ names no file: write @FILE, or @- for standard input");
        return std::nullopt;
    }
    const std::optional<QByteArray> content = read(name, PicturePattern::MaxPictureFileBytes, error);
    if (!content)
        return std::nullopt;
    const QByteArray format = PictureFormat::of(*content, name == QLatin1String("-") ? QString() : name);
    if (!format.isEmpty()) {
        std::optional<PicturePattern::Animation> picture = PicturePattern::frames(*content, format, name, invert, error);
        if (picture && single && picture->frames.size() > 1) {
            error = QStringLiteral("%1 has %2 frames: play shows them").arg(name).arg(picture->frames.size());
            return std::nullopt;
        }
        return picture;
    }
    const qint64 maxBytes = single ? MaxPatternFileBytes : MaxAnimationFileBytes;
    if (content->size() > maxBytes) {
        error = ModuleCommand::tooLong(name, maxBytes);
        return std::nullopt;
    }
    const std::optional<QString> text = ModuleCommand::fileText(*content, name, error);
    if (!text)
        return std::nullopt;
    PicturePattern::Animation animation;
    if (single) {
        if (const std::optional<ColumnBytes> bytes = gridPattern(*text, error))
            animation.frames = {{*bytes}};
    } else if (std::optional<QList<AnimationFrame>> frames = animationFrames(*text, error)) {
        animation.frames = std::move(*frames);
    }
    if (animation.frames.isEmpty()) {
        error = QStringLiteral("%1: %2").arg(name, error);
        return std::nullopt;
    }
    return animation;
}

std::optional<ColumnBytes> readPattern(const QStringList &words, const ModuleCommand::FileReader &read, bool invert,
                                       QString &error)
{
    if (words.isEmpty()) {
        error = QStringLiteral("the pattern is missing");
        return std::nullopt;
    }
    if (words.size() == 1 && words.first().startsWith(QLatin1Char('@'))) {
        const std::optional<PicturePattern::Animation> picture = readFrames(words.first(), true, read, invert, error);
        if (!picture)
            return std::nullopt;
        return picture->frames.first().pattern;
    }
    return hexPattern(words.join(QLatin1Char(' ')), error);
}

bool wrongCount(const QStringList &arguments, int count, const char *usage, QString &error)
{
    if (arguments.size() == count)
        return false;
    error = QStringLiteral("usage: %1").arg(QLatin1String(usage));
    return true;
}

bool decodes(QStringConverter::Encoding encoding, QByteArrayView bytes, QString &decoded)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless); // a mark is dropped
    decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

QString withLineFeeds(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

ModuleCommand ModuleCommand::showing(int position, const ColumnBytes &pattern)
{
    ModuleCommand command;
    command.kind = Kind::Show;
    command.position = position;
    command.pattern = pattern;
    return command;
}

// A text file as editors write it: UTF-8, with or without its mark, or UTF-16
// with its mark, as Windows calls "Unicode"; lines ending in LF, CR LF, or CR
// alone as old Mac editors end them. Other bytes are refused, with their line,
// rather than guessed at: Windows-1252 is only one of the code pages such a
// file may be in, and a wrong guess sends other letters unseen.
std::optional<QString> ModuleCommand::fileText(const QByteArray &content, const QString &name, QString &error)
{
    const QString shownName = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
    QString text;
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
        if (decodes(QStringConverter::Utf16, content, text))
            return withLineFeeds(text);
        error = QStringLiteral("%1: not UTF-16 throughout, though it starts as UTF-16").arg(shownName);
        return std::nullopt;
    }
    if (decodes(QStringConverter::Utf8, content, text))
        return withLineFeeds(text);
    int line = 1;
    for (qsizetype start = 0; start < content.size(); ++line) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r')
            ++end;
        if (!decodes(QStringConverter::Utf8, QByteArrayView(content).sliced(start, end - start), text))
            break;
        start = end + (content.mid(end, 2) == "\r\n" ? 2 : 1);
    }
    error = QStringLiteral("%1:%2: bytes that are not UTF-8; save the file as UTF-8").arg(shownName).arg(line);
    return std::nullopt;
}

QString ModuleCommand::tooLong(const QString &name, qint64 maxBytes)
{
    return QStringLiteral("%1: more than %2 bytes, the most such a file may hold")
        .arg(name == QLatin1String("-") ? QStringLiteral("standard input") : name)
        .arg(maxBytes);
}

std::optional<ModuleCommand> ModuleCommand::parse(const QStringList &words, const FileReader &read, bool invert,
                                                  QString &error)
{
    if (words.isEmpty()) {
        error = QStringLiteral("no command given");
        return std::nullopt;
    }
    const QString &name = words.first();
    const QStringList arguments = words.mid(1);
    ModuleCommand command;
    if (name == QLatin1String("chars")) {
        if (wrongCount(arguments, 2, "chars A B", error))
            return std::nullopt;
        command.kind = Kind::Chars;
        command.first = arguments[0];
        command.second = arguments[1];
        for (const QString &word : arguments) {
            if (!fitsCharacterBox(word)) {
                error = QStringLiteral("chars: %1 is neither one character nor ^0 .. ^9").arg(quoted(word));
                return std::nullopt;
            }
        }
        if (const StaticCharacterPair pair = readStaticCharacters(command.first, command.second); !pair.ok()) {
            const QString why = TextCommands::refusal(pair);
            error = why == TextCommands::InvalidData ? why + QStringLiteral(": a custom character is ^0 .. ^9")
                                                     : QStringLiteral("chars: ") + why;
            return std::nullopt;
        }
    } else if (name == QLatin1String("scroll")) {
        command.kind = Kind::Scroll;
        command.text = arguments.join(QLatin1Char(' '));
        if (command.text.size() > MaxScrollTextLength) {
            error = QStringLiteral("scroll: the text has %1 characters as the panel's box counts them "
                                   "(an emoji counts two), at most %2 fit")
                        .arg(command.text.size())
                        .arg(MaxScrollTextLength);
            return std::nullopt;
        }
        if (const QString why = TextCommands::unscrollable(command.text); !why.isEmpty()) {
            error = QStringLiteral("scroll: ") + why;
            return std::nullopt;
        }
    } else if (name == QLatin1String("speed")) {
        if (wrongCount(arguments, 1, "speed 0|1|2|3", error))
            return std::nullopt;
        command.kind = Kind::Speed;
        command.choice = digitBelow(arguments[0], SpeedCount);
        if (command.choice < 0) {
            error = QStringLiteral("speed: %1 is not 0 (slowest) .. 3 (fastest)").arg(quoted(arguments[0]));
            return std::nullopt;
        }
    } else if (name == QLatin1String("show") || name == QLatin1String("save")) {
        const bool show = name == QLatin1String("show");
        if (arguments.size() < 2) {
            error = show ? QStringLiteral("usage: show 0|1 PATTERN") : QStringLiteral("usage: save SLOT PATTERN");
            return std::nullopt;
        }
        command.kind = show ? Kind::Show : Kind::Save;
        const int number = digitBelow(arguments[0], show ? PositionCount : SlotCount);
        if (number < 0) {
            error = (show ? QStringLiteral("show: %1 is no display position (0 or 1)")
                          : QStringLiteral("save: %1 is no slot (0 .. 9)")).arg(quoted(arguments[0]));
            return std::nullopt;
        }
        (show ? command.position : command.choice) = number;
        const std::optional<ColumnBytes> pattern = readPattern(arguments.mid(1), read, invert, error);
        if (!pattern)
            return std::nullopt;
        command.pattern = *pattern;
    } else if (name == QLatin1String("animate")) {
        if (wrongCount(arguments, 2, "animate up|down|right|left 0|1", error))
            return std::nullopt;
        command.kind = Kind::Animate;
        const QStringList animations{QStringLiteral("up"), QStringLiteral("down"), QStringLiteral("right"),
                                     QStringLiteral("left")};
        command.choice = int(animations.indexOf(arguments[0]));
        command.position = digitBelow(arguments[1], PositionCount);
        if (command.choice < 0 || command.position < 0) {
            error = QStringLiteral("animate: %1 is not one of up, down, right, left and position 0 or 1")
                        .arg(quoted(arguments.join(QLatin1Char(' '))));
            return std::nullopt;
        }
    } else if (name == QLatin1String("save-startup")) {
        if (wrongCount(arguments, 0, "save-startup", error))
            return std::nullopt;
        command.kind = Kind::SaveStartup;
    } else if (name == QLatin1String("play")) {
        if (wrongCount(arguments, 2, "play 0|1 @FILE", error))
            return std::nullopt;
        command.kind = Kind::Play;
        command.position = digitBelow(arguments[0], PositionCount);
        if (command.position < 0 || !arguments[1].startsWith(QLatin1Char('@'))) {
            error = QStringLiteral("play: %1 is not position 0 or 1 and @FILE").arg(quoted(arguments.join(QLatin1Char(' '))));
            return std::nullopt;
        }
        std::optional<PicturePattern::Animation> animation = readFrames(arguments[1], false, read, invert, error);
        if (!animation)
            return std::nullopt;
        command.frames = std::move(animation->frames);
        command.passes = animation->passes;
    } else if (name == QLatin1String("wait")) {
        if (wrongCount(arguments, 1, "wait MS", error))
            return std::nullopt;
        command.kind = Kind::Wait;
        command.waitMs = holdMilliseconds(arguments[0]);
        if (command.waitMs < 0) {
            error = QStringLiteral("wait: %1 is not 1 .. %2 milliseconds").arg(quoted(arguments[0])).arg(AnimationFrame::MaxHoldMs);
            return std::nullopt;
        }
    } else {
        error = QStringLiteral("%1 is no command: chars, scroll, speed, show, save, animate, save-startup, "
                               "play or wait")
                    .arg(quoted(name));
        return std::nullopt;
    }
    return command;
}

#pragma once

#include "AnimationFrame.h"
#include "ModuleProtocol.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One command for the module, as written on the command line or on a line of
// a command file, checked in full before anything is sent:
//
//   chars A B                  each one character, or ^0 .. ^9; "" is a space
//   scroll [TEXT...]           the words joined by single spaces, at most 30 characters
//   speed 0|1|2|3
//   show 0|1 PATTERN
//   save SLOT PATTERN          slot 0 .. 9
//   animate up|down|right|left 0|1
//   save-startup
//   play 0|1 @FILE             the frames of a text animation or a picture, see
//                              AnimationText.h and PicturePattern.h; a picture's
//                              loop mark gives passes
//   wait MS                    1 .. AnimationFrame::MaxHoldMs
//
// PATTERN is hexadecimal or @FILE (@- standard input): a grid (PatternText.h)
// or a picture of a single frame (PicturePattern.h). A file is read whole,
// then told a picture or text by its content, so a pipe is read only once.
struct ModuleCommand
{
    enum class Kind { Chars, Scroll, Speed, Show, Save, Animate, SaveStartup, Play, Wait };

    // The content of the file name given, "-" for standard input; nullopt
    // and the reason in error when it cannot be read or holds more than maxBytes.
    using FileReader = std::function<std::optional<QByteArray>(const QString &name, qint64 maxBytes, QString &error)>;

    Kind kind = Kind::SaveStartup;
    QString first;      // chars: the two characters as typed
    QString second;
    QString text;       // scroll
    int choice = 0;     // speed 0 .. 3, save's slot, animate's animation number
    int position = 0;   // show, animate and play
    ModuleProtocol::ColumnBytes pattern{};
    QList<AnimationFrame> frames; // play
    int passes = 1;     // play: as a picture is marked to play, 0 forever
    int waitMs = 0;

    static ModuleCommand showing(int position, const ModuleProtocol::ColumnBytes &pattern);

    // The text of a command, grid or animation file of name ("-" for standard
    // input): UTF-8, or UTF-16 with its mark, every line ending in LF alone;
    // nullopt with the file and line of the first bytes that are neither.
    static std::optional<QString> fileText(const QByteArray &content, const QString &name, QString &error);
    // Why a file of name ("-" for standard input) is refused for holding more than maxBytes.
    static QString tooLong(const QString &name, qint64 maxBytes);

    bool isStore() const { return kind == Kind::Save || kind == Kind::SaveStartup; }

    // nullopt with the reason in error for bad usage or invalid data. invert
    // swaps lit and unlit dots of pictures.
    static std::optional<ModuleCommand> parse(const QStringList &words, const FileReader &read, bool invert,
                                              QString &error);
};

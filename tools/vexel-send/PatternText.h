#pragma once

#include "ModuleProtocol.h"

#include <QString>

#include <optional>

// The two ways a pattern is written for the command line.
//
// In hexadecimal: the eight column bytes, column 1 first, either as one group
// of sixteen digits or as eight groups of one or two digits, separated by blanks.
//
// As a grid, exactly as the panel's dot editor shows it: eight lines, top row
// first, each of up to eight characters, left column first. "#", "X", "x",
// "*", "O" and "1" are lit dots; ".", "-", "0" and a space unlit ones, as is
// every place a short line leaves out; blanks after the eighth are ignored. A
// final line break ends the eighth line, and empty lines after it are ignored.
// A comment line (see isCommentLine) is no line of the grid.
//
// A grid file is a few dozen bytes; one of more than MaxPatternFileBytes is
// refused unread, as no grid.
constexpr qint64 MaxPatternFileBytes = 4096;

// A line that starts with "#" (after blanks) and that no grid row could be,
// as it holds more than eight dots or anything but dots: "# frame 2" is a
// comment, "#......#" the row it looks like.
bool isCommentLine(const QString &line);

// Both give nullopt and say why in error when the text is malformed.
std::optional<ModuleProtocol::ColumnBytes> hexPattern(const QString &text, QString &error);
std::optional<ModuleProtocol::ColumnBytes> gridPattern(const QString &text, QString &error);

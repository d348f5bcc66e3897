#pragma once

#include "AnimationFrame.h"

#include <QList>
#include <QString>

#include <optional>

// Room for MaxFrames grids with their waits, in CR LF; a larger file is
// refused unread.
constexpr qint64 MaxAnimationFileBytes = 1024 * 1024;

// An animation written as text: grids of eight lines as the panel's editor
// shows them (see PatternText.h), separated by empty lines. Every row of a
// grid is written out here, since an empty line ends the grid. A line
// "wait MS" after a grid gives the time that frame stays up; a word starting
// with # ends it with a comment, as in a command file. Comment lines (see
// isCommentLine) are skipped, within a grid too. nullopt, with
// "line N: " and the reason in error, for a grid of another height, a wait
// without a whole number of 1 .. MaxHoldMs milliseconds, a wait with no grid
// of its own before it, no grid at all, or more than MaxFrames grids.
std::optional<QList<AnimationFrame>> animationFrames(const QString &text, QString &error);

// The milliseconds of a wait or an interval, 1 .. MaxHoldMs; -1 for anything else.
int holdMilliseconds(const QString &word);

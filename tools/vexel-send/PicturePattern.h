#pragma once

#include "AnimationFrame.h"

#include <QList>
#include <QString>

#include <optional>

// A picture read as patterns: PNG, BMP, GIF, JPEG or any other format Qt
// reads, told by its content. It has 8 x 8 pixels, one a dot, the top row of
// the picture the top row of the grid; other sizes are refused, since shrinking
// a drawing to eight dots rarely keeps it readable. A dot is lit where its
// pixel is opaque (alpha at least half) and light (its brightest colour channel
// at least half), as an LED that is on; invert swaps lit and unlit. An animated
// picture gives each frame with its own delay, a delay of 0 read as 100 ms as
// Qt reads it (and browsers show it); a still picture stays up for the interval.
namespace PicturePattern {

constexpr int Side = 8;

// Whether the file is meant as a picture: its content is one (looked at in a
// plain file only, as a pipe gives its bytes once), or its name ends as a
// picture's does, so that a broken picture is reported as such.
bool isPicture(const QString &path);

// nullopt with "cannot read picture PATH: " and the reason in error. A
// picture is refused by the size its header claims, before its pixels are
// read, and an animation by its frame count, before its frames are.
std::optional<QList<AnimationFrame>> frames(const QString &path, bool invert, QString &error);

} // namespace PicturePattern

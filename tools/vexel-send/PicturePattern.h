#pragma once

#include "AnimationFrame.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A picture read as patterns: PNG, BMP, GIF, JPEG or any other format Qt
// reads (PictureFormat.h tells which). It has 8 x 8 pixels, one a dot, the
// top row of the picture the top row of the grid; other sizes are refused,
// since shrinking a drawing to eight dots rarely keeps it readable. A dot is
// lit where its pixel is opaque (alpha at least half) and light (its
// brightest colour channel at least half), as an LED that is on; invert
// swaps lit and unlit.
//
// A GIF's frames are those a browser shows. A frame delay of 2/100 s or
// more is the frame's own time; a shorter one, which browsers show as 100 ms,
// or none, leaves the frame to the interval, by default the same 100 ms. The
// picture's loop mark tells how often it plays. GIF is decoded without Qt
// Gui; other formats load the picture reader library.
namespace PicturePattern {

constexpr int Side = 8;
// Room for an 8 x 8 picture with a large colour profile, or a GIF of
// AnimationFrame::MaxFrames frames; a larger file is refused unread.
constexpr qint64 MaxPictureFileBytes = 4 * 1024 * 1024;

struct Animation
{
    QList<AnimationFrame> frames;
    int passes = 1; // as the picture is marked: 0 forever
};

// nullopt with "cannot read picture NAME: " and the reason in error. A
// picture is refused by the size its header claims, before its pixels are
// read, and an animation by its frame count, before its frames are.
std::optional<Animation> frames(const QByteArray &content, const QByteArray &format, const QString &name, bool invert,
                                QString &error);

} // namespace PicturePattern

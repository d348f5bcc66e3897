#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>

// GIF files decoded the way picture viewers show them, with Qt Core alone.
// Every frame is the whole logical screen after that frame was drawn over
// what the earlier ones left (their disposal applied): a transparent pixel,
// an index past the colour table, or an area "restored to background" is
// transparent (alpha 0), as in a browser, never a colour of its own.
//
// A file is refused when it ends before its trailer, when a frame's pixel
// data is malformed or holds fewer pixels than its size, and when a frame
// reaches past the screen, so that a download cut short never plays.
namespace GifDecoder {

struct Frame
{
    QList<quint32> pixels; // the screen, row by row, 0xAARRGGBB
    int delayCs = -1;   // hundredths of a second; -1 without a control block
};

struct Picture
{
    QSize screen;
    QList<Frame> frames;
    int loopCount = -1; // -1 unmarked (played once), 0 forever, else repeats after the first play
};

bool isGif(const QByteArray &bytes);

// The logical screen as the header claims it; invalid without a whole header.
QSize screenSize(const QByteArray &bytes);

// nullopt with the reason in error. maxPixels bounds the screen times the
// frames kept, so that no file takes more memory than the caller allows.
std::optional<Picture> decode(const QByteArray &bytes, qint64 maxPixels, QString &error);

} // namespace GifDecoder

#include "PicturePattern.h"

#include "DotGrid.h"
#include "GifDecoder.h"
#include "PictureReaderLibrary.h"

#include <QCoreApplication>
#include <QSize>

#include <algorithm>

namespace PicturePattern {

namespace {

constexpr int Half = 128;
// Browsers show a GIF frame of fewer hundredths than this for 100 ms.
constexpr int ShortestGifDelayCs = 2;

ModuleProtocol::ColumnBytes pattern(const unsigned int *argb, bool invert)
{
    ModuleProtocol::ColumnBytes bytes{};
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column) {
            const unsigned int pixel = argb[row * Side + column];
            const auto channel = [pixel](int shift) { return int(pixel >> shift & 0xFF); };
            const bool lit = channel(24) >= Half && std::max({channel(16), channel(8), channel(0)}) >= Half;
            if (lit != invert)
                bytes[std::size_t(column)] |= quint8(DotGrid::RowWeights[std::size_t(row)]);
        }
    }
    return bytes;
}

QString sizeReason(int width, int height)
{
    return QStringLiteral("it has %1 x %2 pixels, a pattern has 8 x 8").arg(width).arg(height);
}

std::optional<Animation> gifFrames(const QByteArray &content, bool invert, QString &error)
{
    const QSize screen = GifDecoder::screenSize(content);
    if (screen.isValid() && screen != QSize(Side, Side)) {
        error = sizeReason(screen.width(), screen.height());
        return std::nullopt;
    }
    const std::optional<GifDecoder::Picture> picture =
        GifDecoder::decode(content, qint64(Side) * Side * AnimationFrame::MaxFrames, error);
    if (!picture)
        return std::nullopt;
    Animation animation;
    for (const GifDecoder::Frame &frame : picture->frames)
        animation.frames << AnimationFrame{pattern(frame.pixels.constData(), invert),
                                           frame.delayCs >= ShortestGifDelayCs ? frame.delayCs * 10 : 0};
    // A loop count is the repeats after the first play, as browsers count it.
    animation.passes = picture->loopCount < 0 ? 1 : picture->loopCount == 0 ? 0 : picture->loopCount + 1;
    return animation;
}

struct Reading
{
    bool invert = false;
    QString error;
    QList<AnimationFrame> frames;
};

int readHeader(void *context, int width, int height, int count)
{
    auto &reading = *static_cast<Reading *>(context);
    if (width >= 0 && (width != Side || height != Side))
        reading.error = sizeReason(width, height);
    else if (count > AnimationFrame::MaxFrames)
        reading.error = QStringLiteral("it has %1 frames, at most %2 are played").arg(count).arg(AnimationFrame::MaxFrames);
    return reading.error.isEmpty() ? 0 : 1;
}

int readFrame(void *context, const unsigned int *argb, int width, int height, int delayMs)
{
    auto &reading = *static_cast<Reading *>(context);
    if (width != Side || height != Side) {
        reading.error = sizeReason(width, height);
        return 1;
    }
    reading.frames << AnimationFrame{pattern(argb, reading.invert), std::min(delayMs, AnimationFrame::MaxHoldMs)};
    return 0;
}

} // namespace

std::optional<Animation> frames(const QByteArray &content, const QByteArray &format, const QString &name, bool invert,
                                QString &error)
{
    std::optional<Animation> animation;
    if (format == "gif") {
        animation = gifFrames(content, invert, error);
    } else {
        Reading reading{invert, QString(), {}};
        const VexelPictureCallbacks callbacks{&reading, readHeader, readFrame};
        PictureReaderLibrary library(QCoreApplication::applicationDirPath());
        if (library.read(content, format, callbacks, error) == 0)
            animation = Animation{reading.frames, 1};
        else if (!reading.error.isEmpty())
            error = reading.error;
    }
    if (!animation)
        error = QStringLiteral("cannot read picture %1: %2").arg(name, error);
    return animation;
}

} // namespace PicturePattern

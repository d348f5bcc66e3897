#include "PicturePattern.h"

#include "DotGrid.h"
#include "PictureFile.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>

namespace PicturePattern {

namespace {

// An 8 x 8 frame takes a few hundred bytes; this only matters for a picture
// whose header does not tell its size before decoding.
constexpr int AllocationLimitMiB = 1;
constexpr int Half = 128;

ModuleProtocol::ColumnBytes pattern(const QImage &image, bool invert)
{
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    ModuleProtocol::ColumnBytes bytes{};
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column) {
            const QRgb pixel = pixels.pixel(column, row);
            const bool lit = qAlpha(pixel) >= Half && std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) >= Half;
            if (lit != invert)
                bytes[std::size_t(column)] |= quint8(DotGrid::RowWeights[std::size_t(row)]);
        }
    }
    return bytes;
}

} // namespace

bool isPicture(const QString &path)
{
    const QFileInfo file(path);
    const QByteArray suffix = file.suffix().toLower().toLatin1();
    // Only a plain file is looked into: a look into a pipe would take its first bytes.
    return (file.isFile() && !QImageReader::imageFormat(path).isEmpty())
           || QImageReader::supportedImageFormats().contains(suffix);
}

std::optional<QList<AnimationFrame>> frames(const QString &path, bool invert, QString &error)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(AllocationLimitMiB);
    const auto failure = [&](const QString &reason) -> std::optional<QList<AnimationFrame>> {
        error = QStringLiteral("cannot read picture %1: %2").arg(path, reason);
        return std::nullopt;
    };
    const QSize claimed = reader.size(); // from the header; invalid where it does not say
    if (claimed.isValid() && claimed != QSize(Side, Side))
        return failure(QStringLiteral("it has %1 x %2 pixels, a pattern has 8 x 8").arg(claimed.width()).arg(claimed.height()));
    const QByteArray format = reader.format(); // forgotten once the picture is read
    const int count = std::max(reader.imageCount(), 1);
    if (count > AnimationFrame::MaxFrames)
        return failure(QStringLiteral("it has %1 frames, at most %2 are played").arg(count).arg(AnimationFrame::MaxFrames));
    QList<AnimationFrame> frames;
    for (int i = 0; i < count; ++i) {
        const QImage image = reader.read();
        if (image.isNull())
            return failure(reader.errorString());
        if (image.size() != QSize(Side, Side))
            return failure(QStringLiteral("it has %1 x %2 pixels, a pattern has 8 x 8").arg(image.width()).arg(image.height()));
        frames << AnimationFrame{pattern(image, invert), std::max(reader.nextImageDelay(), 0)};
    }
    if (PictureFile::endsEarly(path, format))
        return failure(QStringLiteral("the file ends before the picture does"));
    return frames;
}

} // namespace PicturePattern

#include "PictureLoader.h"

#include "PictureFile.h"

#include <QImageReader>

namespace PictureLoader {

namespace {

// Room for MaxSide x MaxSide even at eight bytes a pixel.
constexpr int AllocationLimitMiB = 8;

QString failure(const QString &filePath, const QString &reason)
{
    return QStringLiteral("Cannot load picture %1: %2").arg(filePath, reason);
}

} // namespace

Result load(const QString &filePath)
{
    QImageReader reader(filePath);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(AllocationLimitMiB);

    // Read from the header alone; a BMP stored top-down gives a negative
    // height, and -1 x -1 stands for a size the header does not tell.
    const QSize size = reader.size();
    const qint64 width = qAbs(qint64(size.width()));
    const qint64 height = qAbs(qint64(size.height()));
    if (width > MaxSide || height > MaxSide) {
        return {QPixmap(), failure(filePath, QStringLiteral("Picture of %1 x %2 pixels is larger than %3 x %3")
                                                .arg(width).arg(height).arg(MaxSide))};
    }
    const QByteArray format = reader.format(); // forgotten once the picture is read
    QImage image = reader.read();
    if (image.isNull())
        return {QPixmap(), failure(filePath, reader.errorString())};
    if (PictureFile::endsEarly(filePath, format))
        return {QPixmap(), failure(filePath, QStringLiteral("The file ends before the picture does"))};
    return {QPixmap::fromImage(std::move(image)), QString()};
}

} // namespace PictureLoader

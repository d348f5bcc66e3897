#include "PictureLoader.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace PictureLoader {

namespace {

// Room for MaxSide x MaxSide even at eight bytes a pixel.
constexpr int AllocationLimitMiB = 8;

QString failure(const QString &filePath, const QString &reason)
{
    return QStringLiteral("Cannot load picture %1: %2").arg(filePath, reason);
}

// Uncompressed rows need the file to reach the pixel offset plus every row.
// Compressed and old-style files are left to the decoder.
bool isBmpCut(QFile &file)
{
    const QByteArray header = file.read(34);
    if (header.size() < 34)
        return true;
    const char *at = header.constData();
    const quint32 headerSize = qFromLittleEndian<quint32>(at + 14);
    const quint32 compression = qFromLittleEndian<quint32>(at + 30);
    if (headerSize < 40 || (compression != 0 && compression != 3))
        return false;
    const qint64 width = qAbs(qint64(qFromLittleEndian<qint32>(at + 18)));
    const qint64 height = qAbs(qint64(qFromLittleEndian<qint32>(at + 22)));
    const qint64 rowBytes = (width * qFromLittleEndian<quint16>(at + 28) + 31) / 32 * 4;
    return file.size() < qFromLittleEndian<quint32>(at + 10) + rowBytes * height;
}

// The end-of-image marker follows the last scan. Inside a scan a 0xFF byte
// is always followed by 0x00 or a restart marker, so neither marker occurs
// there by chance, and a thumbnail's markers all come before the last scan.
bool isJpegCut(QFile &file)
{
    qint64 lastScan = -1;
    qint64 lastEnd = -1;
    qint64 at = 0;
    char previous = 0;
    char chunk[64 * 1024];
    for (qint64 n = file.read(chunk, sizeof chunk); n > 0; at += n, n = file.read(chunk, sizeof chunk)) {
        for (qint64 i = 0; i < n; ++i) {
            if (previous == '\xFF' && chunk[i] == '\xDA')
                lastScan = at + i;
            else if (previous == '\xFF' && chunk[i] == '\xD9')
                lastEnd = at + i;
            previous = chunk[i];
        }
    }
    return lastEnd < lastScan;
}

// The decoders fill in what a file cut short lacks (grey, or whatever the
// memory held) and at most print a warning; such a file counts as broken.
bool isCut(const QString &filePath, const QByteArray &format)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    if (format == "bmp")
        return isBmpCut(file);
    if (format == "jpeg")
        return isJpegCut(file);
    return false;
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
    if (isCut(filePath, format))
        return {QPixmap(), failure(filePath, QStringLiteral("The file ends before the picture does"))};
    return {QPixmap::fromImage(std::move(image)), QString()};
}

} // namespace PictureLoader

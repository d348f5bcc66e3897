#include "PictureFile.h"

#include "GifDecoder.h"

#include <QFile>
#include <QtEndian>

namespace PictureFile {

namespace {

enum BmpCompression { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };
// A GIF's structure is checked in full; its frames are not kept.
constexpr qint64 GifCheckPixels = 1 << 22;

// Run-length rows end with the end-of-bitmap escape (0, 1); a file that
// ends before it lacks pixels the decoder would make up.
bool isRleCut(QIODevice &file, BmpCompression compression)
{
    for (;;) {
        char pair[2];
        if (file.read(pair, 2) != 2)
            return true;
        if (pair[0] != 0)
            continue; // a run of one repeated value
        const int escape = quint8(pair[1]);
        if (escape == 1)
            return false;
        const qint64 skip = escape == 0 ? 0
            : escape == 2             ? 2 // the offset of a jump
            : compression == Rle8     ? (escape + 1) / 2 * 2 // literal indices, padded to a word
                                      : ((escape + 1) / 2 + 1) / 2 * 2;
        if (skip > 0 && file.read(skip).size() != skip)
            return true;
    }
}

// Uncompressed rows need the file to reach the pixel offset plus every row.
// Old-style headers and other compressions are left to the decoder.
bool isBmpCut(QIODevice &file)
{
    const QByteArray header = file.read(34);
    if (header.size() < 34)
        return true;
    const char *at = header.constData();
    const quint32 pixelOffset = qFromLittleEndian<quint32>(at + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(at + 14);
    const quint32 compression = qFromLittleEndian<quint32>(at + 30);
    if (headerSize < 40)
        return false;
    if (compression == Rle8 || compression == Rle4)
        return !file.seek(pixelOffset) || isRleCut(file, BmpCompression(compression));
    if (compression != Rgb && compression != BitFields)
        return false;
    const qint64 width = qAbs(qint64(qFromLittleEndian<qint32>(at + 18)));
    const qint64 height = qAbs(qint64(qFromLittleEndian<qint32>(at + 22)));
    const qint64 rowBytes = (width * qFromLittleEndian<quint16>(at + 28) + 31) / 32 * 4;
    return file.size() < pixelOffset + rowBytes * height;
}

// The end-of-image marker follows the last scan. Inside a scan a 0xFF byte
// is always followed by 0x00 or a restart marker, so neither marker occurs
// there by chance, and a thumbnail's markers all come before the last scan.
bool isJpegCut(QIODevice &file)
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

bool isGifCut(QIODevice &file)
{
    QString reason;
    return !GifDecoder::decode(file.readAll(), GifCheckPixels, reason) && reason.startsWith(endsEarlyReason());
}

} // namespace

bool endsEarly(QIODevice &file, const QByteArray &format)
{
    if (!file.seek(0))
        return true;
    if (format == "bmp")
        return isBmpCut(file);
    if (format == "jpeg")
        return isJpegCut(file);
    if (format == "gif")
        return isGifCut(file);
    return false;
}

QString endsEarlyReason()
{
    return QStringLiteral("the file ends before the picture does");
}

bool endsEarly(const QString &filePath, const QByteArray &format)
{
    QFile file(filePath);
    return !file.open(QIODevice::ReadOnly) || endsEarly(file, format);
}

} // namespace PictureFile

#include "PictureFile.h"

#include <QFile>
#include <QtEndian>

namespace PictureFile {

namespace {

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

} // namespace

bool endsEarly(const QString &filePath, const QByteArray &format)
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

} // namespace PictureFile

#include "GifDecoder.h"

#include "PictureFile.h"

#include <QtEndian>

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace GifDecoder {

namespace {

constexpr int HeaderBytes = 13;

// giflib reads through this; asking for more than is left marks the file as
// cut, which tells a short file from a malformed one whatever giflib's own
// error code says.
struct Source
{
    const QByteArray &bytes;
    qsizetype at = 0;
    bool cut = false;
};

int readBytes(GifFileType *gif, GifByteType *into, int count)
{
    auto &source = *static_cast<Source *>(gif->UserData);
    const int available = int(std::min<qsizetype>(count, source.bytes.size() - source.at));
    std::memcpy(into, source.bytes.constData() + source.at, std::size_t(available));
    source.at += available;
    source.cut = source.cut || available < count;
    return available;
}

struct GifCloser
{
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// What the graphic control block before a frame says of it.
struct Control
{
    GraphicsControlBlock block{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    bool given = false;
};

// An extension with all its sub-blocks. A control block's fields go to
// control; an application block's second sub-block may carry the loop count.
bool readExtension(GifFileType *gif, Control &control, int &loopCount)
{
    int label = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(gif, &label, &block) == GIF_ERROR)
        return false;
    if (label == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock read;
        if (DGifExtensionToGCB(block[0], block + 1, &read) == GIF_OK)
            control = Control{read, true};
    }
    const bool looping = label == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11
        && (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
    for (bool second = true; block; second = false) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
        if (looping && second && block && block[0] >= 3 && block[1] == 1)
            loopCount = block[2] | block[3] << 8;
    }
    return true;
}

// Row by row, or in the four passes of an interlaced frame.
QList<int> rowOrder(int height, bool interlaced)
{
    QList<int> rows;
    if (!interlaced) {
        for (int row = 0; row < height; ++row)
            rows << row;
        return rows;
    }
    for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int row = start; row < height; row += step)
            rows << row;
    }
    return rows;
}

QList<quint32> colourTable(const ColorMapObject *map)
{
    QList<quint32> table;
    for (int i = 0; map && i < map->ColorCount; ++i) {
        const GifColorType &colour = map->Colors[i];
        table << (0xFF000000u | quint32(colour.Red) << 16 | quint32(colour.Green) << 8 | colour.Blue);
    }
    return table;
}

// The compressed data of a frame without pixels, which giflib would not
// read for lack of a line to fill.
bool skipPixelData(GifFileType *gif)
{
    int codeSize = 0;
    GifByteType *block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

} // namespace

bool isGif(const QByteArray &bytes)
{
    return bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a");
}

QSize screenSize(const QByteArray &bytes)
{
    if (!isGif(bytes) || bytes.size() < HeaderBytes)
        return QSize();
    return QSize(qFromLittleEndian<quint16>(bytes.constData() + 6), qFromLittleEndian<quint16>(bytes.constData() + 8));
}

std::optional<Picture> decode(const QByteArray &bytes, qint64 maxPixels, QString &error)
{
    const auto failure = [&error](const QString &reason) -> std::optional<Picture> {
        error = reason;
        return std::nullopt;
    };
    if (!isGif(bytes))
        return failure(QStringLiteral("it is no GIF"));
    Picture picture;
    picture.screen = screenSize(bytes);
    if (!picture.screen.isValid())
        return failure(PictureFile::endsEarlyReason());
    const int screenWidth = picture.screen.width();
    const qint64 screenPixels = qint64(screenWidth) * picture.screen.height();
    if (screenPixels > maxPixels)
        return failure(QStringLiteral("its %1 x %2 pixels are more than fit").arg(screenWidth).arg(picture.screen.height()));

    Source source{bytes};
    int openError = 0;
    const GifFile gif(DGifOpen(&source, readBytes, &openError));
    // Where a file cut short ends, and what giflib found wrong otherwise.
    const auto broken = [&](const QString &where) {
        if (source.cut)
            return failure(PictureFile::endsEarlyReason() + where);
        const char *said = GifErrorString(gif ? gif->Error : openError);
        return failure(QStringLiteral("it is malformed%1 (%2)").arg(where, QString::fromLatin1(said ? said : "")));
    };
    if (!gif)
        return broken(QString());
    const QList<quint32> globalTable = colourTable(gif->SColorMap);
    QList<quint32> canvas(screenPixels, 0);
    Control control;
    for (;;) {
        const int frameNumber = int(picture.frames.size()) + 1;
        const QString between = picture.frames.isEmpty() ? QStringLiteral(", before its first frame")
                                                         : QStringLiteral(", after frame %1").arg(frameNumber - 1);
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            return broken(between);
        if (record == TERMINATE_RECORD_TYPE)
            break;
        if (record == EXTENSION_RECORD_TYPE) {
            if (!readExtension(gif.get(), control, picture.loopCount))
                return broken(between);
            continue;
        }
        const QString inFrame = QStringLiteral(", in frame %1").arg(frameNumber);
        if ((picture.frames.size() + 1) * screenPixels > maxPixels)
            return failure(QStringLiteral("it has more than %1 frames").arg(maxPixels / screenPixels));
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            return broken(inFrame);
        const GifImageDesc desc = gif->Image;
        // Checked before a pixel is read, so that a frame claiming more than
        // the screen takes no memory and no row is written outside it.
        if (desc.Left + desc.Width > screenWidth || desc.Top + desc.Height > picture.screen.height()) {
            return failure(QStringLiteral("frame %1 (%2 x %3 pixels at %4, %5) reaches past the picture's %6 x %7")
                               .arg(frameNumber).arg(desc.Width).arg(desc.Height).arg(desc.Left).arg(desc.Top)
                               .arg(screenWidth).arg(picture.screen.height()));
        }
        const QList<quint32> table = desc.ColorMap ? colourTable(desc.ColorMap) : globalTable;
        const int transparent = control.block.TransparentColor;
        const QList<quint32> before = canvas;
        QByteArray line(desc.Width, '\0');
        const QList<int> rows = rowOrder(desc.Width > 0 ? desc.Height : 0, desc.Interlace);
        if (rows.isEmpty() && !skipPixelData(gif.get()))
            return broken(inFrame);
        for (const int row : rows) {
            if (DGifGetLine(gif.get(), reinterpret_cast<GifPixelType *>(line.data()), desc.Width) == GIF_ERROR) {
                if (!source.cut && gif->Error == D_GIF_ERR_EOF_TOO_SOON) {
                    return failure(QStringLiteral("frame %1 holds fewer pixels than its %2 x %3")
                                       .arg(frameNumber).arg(desc.Width).arg(desc.Height));
                }
                return broken(inFrame);
            }
            quint32 *pixels = canvas.data() + qsizetype(desc.Top + row) * screenWidth + desc.Left;
            for (int x = 0; x < desc.Width; ++x) {
                const int index = quint8(line[x]);
                if (index != transparent && index < table.size())
                    pixels[x] = table[index];
            }
        }
        picture.frames << Frame{canvas, control.given ? control.block.DelayTime : -1};
        if (control.block.DisposalMode == DISPOSE_BACKGROUND) {
            for (int row = desc.Top; row < desc.Top + desc.Height; ++row)
                std::fill_n(canvas.begin() + qsizetype(row) * screenWidth + desc.Left, desc.Width, quint32(0));
        } else if (control.block.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = before;
        }
        control = Control();
    }
    if (picture.frames.isEmpty())
        return failure(QStringLiteral("it holds no frame"));
    return picture;
}

} // namespace GifDecoder

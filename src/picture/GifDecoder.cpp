#include "GifDecoder.h"

#include "PictureFile.h"

#include <QtEndian>

#include <array>

namespace GifDecoder {

namespace {

constexpr int HeaderBytes = 13;
constexpr int MaxCodeBits = 12;
constexpr int MaxCodes = 1 << MaxCodeBits;
constexpr char ImageBlock = 0x2C;
constexpr char ExtensionBlock = 0x21;
constexpr char Trailer = 0x3B;
constexpr quint8 ControlLabel = 0xF9;
constexpr quint8 ApplicationLabel = 0xFF;
enum Disposal { Keep = 1, Background = 2, Previous = 3 };

// Reading past the end is no error by itself: it sets cut, and decode
// refuses the file once the block at hand is done.
class Cursor
{
public:
    explicit Cursor(const QByteArray &bytes) : m_bytes(bytes) {}

    bool cut() const { return m_cut; }
    quint8 byte()
    {
        if (m_at >= m_bytes.size()) {
            m_cut = true;
            return 0;
        }
        return quint8(m_bytes[m_at++]);
    }
    int word()
    {
        const int low = byte();
        return low | byte() << 8;
    }
    QByteArray take(int count)
    {
        const QByteArray part = m_bytes.mid(m_at, count);
        m_at += count;
        m_cut = m_cut || part.size() < count;
        return part;
    }
    // The data sub-blocks up to the empty one that ends them.
    QByteArray subBlocks()
    {
        QByteArray data;
        for (int size = byte(); size > 0 && !m_cut; size = byte())
            data += take(size);
        return data;
    }

private:
    const QByteArray &m_bytes;
    qsizetype m_at = 0;
    bool m_cut = false;
};

QList<quint32> colourTable(Cursor &cursor, quint8 flags)
{
    QList<quint32> table;
    if (!(flags & 0x80))
        return table;
    const int size = 2 << (flags & 0x07);
    for (int i = 0; i < size; ++i) {
        const quint32 red = cursor.byte();
        const quint32 green = cursor.byte();
        table << (0xFF000000u | red << 16 | green << 8 | cursor.byte());
    }
    return table;
}

// The colour indices of one frame, decompressed. Fewer than count when the
// data ends early; nullopt when it holds a code that cannot occur.
std::optional<QByteArray> decompress(const QByteArray &data, int minimumBits, qint64 count)
{
    if (minimumBits < 1 || minimumBits > 8)
        return std::nullopt;
    const int clear = 1 << minimumBits;
    const int end = clear + 1;
    std::array<quint16, MaxCodes> prefix{};
    std::array<quint8, MaxCodes> suffix{};
    std::array<quint8, MaxCodes> first{};
    std::array<quint8, MaxCodes> chain{};
    for (int code = 0; code < clear; ++code)
        suffix[std::size_t(code)] = first[std::size_t(code)] = quint8(code);
    QByteArray indices;
    int bits = minimumBits + 1;
    int next = clear + 2;
    int previous = -1;
    quint32 buffer = 0;
    int buffered = 0;
    for (qsizetype at = 0; indices.size() < count;) {
        while (buffered < bits && at < data.size()) {
            buffer |= quint32(quint8(data[at++])) << buffered;
            buffered += 8;
        }
        if (buffered < bits)
            break;
        const int code = int(buffer & ((1u << bits) - 1));
        buffer >>= bits;
        buffered -= bits;
        if (code == clear) {
            bits = minimumBits + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            break;
        if (code > next || (code == next && previous < 0))
            return std::nullopt;
        // A code not yet in the table is the previous string and its own first index.
        const int known = code < next ? code : previous;
        int length = 0;
        for (int c = known; c >= clear; c = prefix[std::size_t(c)])
            chain[std::size_t(length++)] = suffix[std::size_t(c)];
        chain[std::size_t(length++)] = quint8(known);
        std::size_t start = std::size_t(indices.size());
        for (int i = length - 1; i >= 0; --i)
            indices += char(chain[std::size_t(i)]);
        if (code == next)
            indices += char(first[std::size_t(previous)]);
        if (previous >= 0 && next < MaxCodes) {
            prefix[std::size_t(next)] = quint16(previous);
            suffix[std::size_t(next)] = quint8(indices[qsizetype(start)]);
            first[std::size_t(next)] = first[std::size_t(previous)];
            ++next;
            if (next == 1 << bits && bits < MaxCodeBits)
                ++bits;
        }
        previous = code;
    }
    return indices;
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

struct Control
{
    int delayCs = -1;
    int transparent = -1;
    int disposal = 0;
};

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
    const qint64 screenPixels = qint64(picture.screen.width()) * picture.screen.height();
    if (screenPixels > maxPixels)
        return failure(QStringLiteral("its %1 x %2 pixels are more than fit").arg(picture.screen.width()).arg(picture.screen.height()));
    Cursor cursor(bytes);
    cursor.take(10);
    const quint8 screenFlags = cursor.byte();
    cursor.take(2); // background colour and aspect: viewers show the background transparent
    const QList<quint32> globalTable = colourTable(cursor, screenFlags);
    QList<quint32> canvas(screenPixels, 0);
    Control control;
    for (;;) {
        if (cursor.cut())
            return failure(PictureFile::endsEarlyReason());
        const char block = char(cursor.byte());
        if (cursor.cut())
            return failure(PictureFile::endsEarlyReason());
        if (block == Trailer)
            break;
        if (block == ExtensionBlock) {
            const quint8 label = cursor.byte();
            const QByteArray data = cursor.subBlocks();
            if (label == ControlLabel && data.size() >= 4) {
                control.disposal = (quint8(data[0]) >> 2) & 0x07;
                control.delayCs = qFromLittleEndian<quint16>(data.constData() + 1);
                control.transparent = (data[0] & 0x01) ? quint8(data[3]) : -1;
            } else if (label == ApplicationLabel && (data.startsWith("NETSCAPE2.0") || data.startsWith("ANIMEXTS1.0"))
                       && data.size() >= 14 && data[11] == 1) {
                picture.loopCount = qFromLittleEndian<quint16>(data.constData() + 12);
            }
            continue;
        }
        if (block != ImageBlock)
            return failure(QStringLiteral("it holds a block of unknown kind 0x%1").arg(quint8(block), 2, 16, QLatin1Char('0')));

        const int frameNumber = int(picture.frames.size()) + 1;
        if ((picture.frames.size() + 1) * screenPixels > maxPixels)
            return failure(QStringLiteral("it has more than %1 frames").arg(maxPixels / screenPixels));
        const int left = cursor.word();
        const int top = cursor.word();
        const int width = cursor.word();
        const int height = cursor.word();
        const quint8 flags = cursor.byte();
        const QList<quint32> localTable = colourTable(cursor, flags);
        const QList<quint32> &table = (flags & 0x80) ? localTable : globalTable;
        const int minimumBits = cursor.byte();
        const QByteArray data = cursor.subBlocks();
        if (cursor.cut())
            return failure(PictureFile::endsEarlyReason());
        if (left + width > picture.screen.width() || top + height > picture.screen.height()) {
            return failure(QStringLiteral("frame %1 (%2 x %3 pixels at %4, %5) reaches past the picture's %6 x %7")
                               .arg(frameNumber).arg(width).arg(height).arg(left).arg(top)
                               .arg(picture.screen.width()).arg(picture.screen.height()));
        }
        const qint64 pixelCount = qint64(width) * height;
        const std::optional<QByteArray> indices = decompress(data, minimumBits, pixelCount);
        if (!indices)
            return failure(QStringLiteral("frame %1's pixel data is malformed").arg(frameNumber));
        if (indices->size() < pixelCount)
            return failure(QStringLiteral("frame %1 holds fewer pixels than its %2 x %3").arg(frameNumber).arg(width).arg(height));

        const QList<quint32> before = canvas;
        const QList<int> rows = rowOrder(height, flags & 0x40);
        for (int i = 0; i < pixelCount; ++i) {
            const int index = quint8((*indices)[i]);
            if (index == control.transparent || index >= table.size())
                continue;
            canvas[qsizetype(top + rows[i / width]) * picture.screen.width() + left + i % width] = table[index];
        }
        picture.frames << Frame{canvas, control.delayCs};
        if (control.disposal == Background) {
            for (int row = top; row < top + height; ++row)
                std::fill_n(canvas.begin() + qsizetype(row) * picture.screen.width() + left, width, quint32(0));
        } else if (control.disposal == Previous) {
            canvas = before;
        }
        control = Control();
    }
    if (picture.frames.isEmpty())
        return failure(QStringLiteral("it holds no frame"));
    return picture;
}

} // namespace GifDecoder

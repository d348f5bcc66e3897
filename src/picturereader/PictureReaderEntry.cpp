#include "PictureFile.h"
#include "PictureReaderApi.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <vector>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// A pattern's frame takes a few hundred bytes; this only matters for a
// picture whose header does not tell its size before decoding.
constexpr int AllocationLimitMiB = 1;

// libpng, under Qt's PNG reader, prints its errors straight to standard
// error, past Qt's message handler; the caller reports the failure itself.
class SilencedStandardError
{
public:
    SilencedStandardError()
    {
        std::fflush(stderr);
#ifdef Q_OS_WIN
        const int nowhere = ::open("NUL", O_WRONLY);
#else
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
#endif
        if (nowhere >= 0 && m_saved >= 0)
            ::dup2(nowhere, 2);
        if (nowhere >= 0)
            ::close(nowhere);
    }
    ~SilencedStandardError()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, 2);
            ::close(m_saved);
        }
    }
    SilencedStandardError(const SilencedStandardError &) = delete;
    SilencedStandardError &operator=(const SilencedStandardError &) = delete;

private:
    int m_saved = ::dup(2);
};

int fail(const QString &reason, char *error, int errorSize)
{
    const QByteArray text = reason.toUtf8();
    if (errorSize > 0) {
        const int length = std::min(int(text.size()), errorSize - 1);
        std::memcpy(error, text.constData(), std::size_t(length));
        error[length] = 0;
    }
    return 1;
}

} // namespace

extern "C" Q_DECL_EXPORT int vexel_read_picture(const char *bytes, long long size, const char *format,
                                                const VexelPictureCallbacks *callbacks, char *error, int errorSize)
{
    const QByteArray content = QByteArray::fromRawData(bytes, qsizetype(size));
    const QByteArray formatName(format);
    if (!QImageReader::supportedImageFormats().contains(formatName)) {
        return fail(QStringLiteral("no reader for %1 pictures is installed (Qt's image format plugins)")
                        .arg(QString::fromLatin1(formatName.toUpper())),
                    error, errorSize);
    }
    const SilencedStandardError silenced;
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formatName);
    // The format was told from the content or the name; a reader that
    // guessed again would take a TGA for a cursor.
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(AllocationLimitMiB);
    const QSize claimed = reader.size();
    const int count = std::max(reader.imageCount(), 0);
    if (callbacks->header(callbacks->context, claimed.isValid() ? claimed.width() : -1,
                          claimed.isValid() ? claimed.height() : -1, count) != 0)
        return 1;
    for (int i = 0; i < std::max(count, 1); ++i) {
        const QImage image = reader.read();
        if (image.isNull())
            return fail(reader.errorString(), error, errorSize);
        const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
        std::vector<unsigned int> argb;
        for (int row = 0; row < pixels.height(); ++row) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(row));
            argb.insert(argb.end(), line, line + pixels.width());
        }
        if (callbacks->frame(callbacks->context, argb.data(), pixels.width(), pixels.height(),
                             std::max(reader.nextImageDelay(), 0)) != 0)
            return 1;
    }
    if (PictureFile::endsEarly(buffer, formatName))
        return fail(PictureFile::endsEarlyReason(), error, errorSize);
    return 0;
}

// libFuzzer target for the GIF decoder: the input is the file. A picture it
// takes has every frame the size of its screen and stays within the pixels
// allowed; a file cut anywhere before its end is refused, since a GIF ends
// with its trailer; a refusal says why.

#include "GifDecoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

// An 8 x 8 screen for a hundred frames, as vexel-send allows its thousands.
constexpr qint64 MaxPixels = 64 * 100;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<GifDecoder::Picture> picture = GifDecoder::decode(bytes, MaxPixels, error);
    if (!picture) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const qint64 screenPixels = qint64(picture->screen.width()) * picture->screen.height();
    if (picture->frames.isEmpty() || picture->frames.size() * screenPixels > MaxPixels)
        std::abort();
    for (const GifDecoder::Frame &frame : picture->frames) {
        if (frame.pixels.size() != screenPixels)
            std::abort();
    }
    const qsizetype trailer = bytes.indexOf(';'); // at or before the one that ends the picture
    for (const qsizetype cut : {trailer, trailer / 2}) {
        if (GifDecoder::decode(bytes.first(cut), MaxPixels, error))
            std::abort();
    }
    return 0;
}

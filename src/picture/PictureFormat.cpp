#include "PictureFormat.h"

#include <QFileInfo>
#include <QtEndian>

#include <array>

namespace PictureFormat {

namespace {

struct Format
{
    const char *name;
    QByteArrayView signature; // at the start; empty for none
    std::array<const char *, 2> suffixes;
};

// Those Qt reads itself or with its image format plugins. Text formats
// (XPM, XBM) and TGA have no signature that sets them apart from a grid.
constexpr Format Formats[] = {
    {"png", "\x89PNG\r\n\x1A\n", {"png"}},
    {"gif", "GIF8", {"gif"}},
    {"jpeg", "\xFF\xD8\xFF", {"jpg", "jpeg"}},
    {"bmp", "BM", {"bmp", "dib"}},
    {"tiff", QByteArrayView("II*\0", 4), {"tif", "tiff"}},
    {"tiff", QByteArrayView("MM\0*", 4), {}},
    {"webp", {}, {"webp"}},
    {"ico", {}, {"ico"}},
    {"cur", {}, {"cur"}},
    {"tga", {}, {"tga"}},
    {"pbm", {}, {"pbm"}},
    {"pgm", {}, {"pgm"}},
    {"ppm", {}, {"ppm"}},
    {"xpm", {}, {"xpm"}},
    {"xbm", {}, {"xbm"}},
};

QByteArray bySignature(const QByteArray &content)
{
    for (const Format &format : Formats) {
        if (!format.signature.isEmpty() && content.startsWith(format.signature))
            return format.name;
    }
    if (content.startsWith("RIFF") && content.mid(8, 4) == "WEBP")
        return "webp";
    // An icon's directory: reserved 0, type 1 (icon) or 2 (cursor), at least one entry.
    if (content.size() >= 22 && content.startsWith(QByteArray("\0\0", 2)) && content[3] == 0
        && (content[2] == 1 || content[2] == 2) && qFromLittleEndian<quint16>(content.constData() + 4) > 0
        && content[9] == 0)
        return content[2] == 1 ? "ico" : "cur";
    if (content.size() >= 3 && content[0] == 'P' && content[1] >= '1' && content[1] <= '6'
        && QByteArray(" \t\r\n").contains(content[2]))
        return QByteArray("pbmpgmppm").mid((content[1] - '1') % 3 * 3, 3);
    return QByteArray();
}

} // namespace

QByteArray of(const QByteArray &content, const QString &fileName)
{
    const QByteArray signature = bySignature(content);
    if (!signature.isEmpty())
        return signature;
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    for (const Format &format : Formats) {
        for (const char *ending : format.suffixes) {
            if (ending && suffix == ending)
                return format.name;
        }
    }
    return QByteArray();
}

} // namespace PictureFormat

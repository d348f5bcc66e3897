#pragma once

#include <QPixmap>
#include <QString>

// Reads a dot picture from disk, anew on every call: a file replaced while the
// program runs shows the next time. The format comes from the file's content.
// A header claiming more than MaxSide pixels either way is refused before any
// pixel memory is taken, so a broken or hostile file cannot exhaust memory.
namespace PictureLoader {

constexpr int MaxSide = 1024;

struct Result
{
    QPixmap pixmap; // null when the picture could not be loaded
    QString error;  // e.g. "Cannot load picture /x/dotf.BMP: File not found"

    bool ok() const { return error.isEmpty(); }
};

Result load(const QString &filePath);

} // namespace PictureLoader

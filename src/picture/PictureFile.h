#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// What the picture decoders do not tell: Qt's readers fill in what a file cut
// short lacks (grey, or whatever the memory held) and at most print a warning,
// so a broken file would show as a wrong picture. The panel's dot pictures and
// vexel-send's patterns both count such a file as broken.
namespace PictureFile {

// Whether the file, read by the reader of format ("bmp", "jpeg", "gif";
// others are left to their decoder), ends before its picture does. The
// device is read from its start.
bool endsEarly(QIODevice &file, const QByteArray &format);
bool endsEarly(const QString &filePath, const QByteArray &format);

// How such a file is refused.
QString endsEarlyReason();

} // namespace PictureFile

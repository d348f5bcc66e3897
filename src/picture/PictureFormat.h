#pragma once

#include <QByteArray>
#include <QString>

// Which picture a file holds, told without Qt Gui, so that a program that
// reads pictures now and then loads their decoders only for a picture.
namespace PictureFormat {

// The name Qt's readers know the format by ("png", "gif", "jpeg", ...): by
// the content's signature, else by the file name's ending (a format without
// a signature, or a picture too broken to show one). Empty for no picture.
QByteArray of(const QByteArray &content, const QString &fileName);

} // namespace PictureFormat

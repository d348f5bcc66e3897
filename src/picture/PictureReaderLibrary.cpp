#include "PictureReaderLibrary.h"

#include <QDir>

namespace {

// The file name the build gives the library on this system.
constexpr const char *FileName = VEXEL_PICTURE_READER_FILE;

} // namespace

PictureReaderLibrary::PictureReaderLibrary(const QString &programDir)
    : m_library(QDir(programDir).absoluteFilePath(QString::fromLatin1(FileName)))
{
}

int PictureReaderLibrary::read(const QByteArray &content, const QByteArray &format,
                               const VexelPictureCallbacks &callbacks, QString &error)
{
    const auto readPicture = reinterpret_cast<VexelReadPicture>(m_library.resolve(VEXEL_READ_PICTURE_SYMBOL));
    if (!readPicture) {
        error = QStringLiteral("the picture reader cannot be loaded: %1").arg(m_library.errorString());
        return 1;
    }
    char reason[512] = {};
    const int status = readPicture(content.constData(), content.size(), format.constData(), &callbacks, reason,
                                   int(sizeof reason));
    if (status != 0 && reason[0] != 0)
        error = QString::fromUtf8(reason);
    return status;
}

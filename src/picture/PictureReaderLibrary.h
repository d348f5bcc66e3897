#pragma once

#include "PictureReaderApi.h"

#include <QByteArray>
#include <QLibrary>
#include <QString>

// The picture reader library (PictureReaderApi.h), loaded by its full path
// from the program's own folder and nowhere else: no search path, so that a
// library of that name in the current folder can never be loaded instead.
class PictureReaderLibrary
{
public:
    explicit PictureReaderLibrary(const QString &programDir);

    // Reads the picture; non-zero and the reason in error as the entry point
    // gives them, or why the library cannot be loaded.
    int read(const QByteArray &content, const QByteArray &format, const VexelPictureCallbacks &callbacks,
             QString &error);

private:
    QLibrary m_library;
};

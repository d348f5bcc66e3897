#pragma once

#include <QIODevice>
#include <QStringDecoder>

#include <cstdio>

// Standard output or error for text, written as the place it goes expects
// it: UTF-8 bytes into a file, a pipe or a terminal; on a Windows console,
// which would show bytes in its own code page (an "ü" as "Ã¼"), the text
// itself through the console's wide-character call. A QTextStream on it
// hands it UTF-8, as everywhere.
class StandardText : public QIODevice
{
public:
    explicit StandardText(FILE *stream);

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    FILE *m_stream = nullptr;
    void *m_console = nullptr; // the console the stream is, where it is one
    QStringDecoder m_decoder{QStringDecoder::Utf8};
};

#include "StandardText.h"

#if defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#endif

namespace {

void *consoleOf(FILE *stream)
{
#if defined(Q_OS_WIN)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
#else
    Q_UNUSED(stream)
    return nullptr;
#endif
}

bool writeConsole(void *console, QStringView text)
{
#if defined(Q_OS_WIN)
    // In pieces, as older consoles take no more than 64 KiB a call.
    constexpr qsizetype Piece = 8192;
    for (qsizetype at = 0; at < text.size(); at += Piece) {
        const QStringView piece = text.mid(at, Piece);
        DWORD written = 0;
        if (!WriteConsoleW(console, piece.utf16(), DWORD(piece.size()), &written, nullptr) || written != DWORD(piece.size()))
            return false;
    }
    return true;
#else
    Q_UNUSED(console)
    Q_UNUSED(text)
    return false;
#endif
}

} // namespace

StandardText::StandardText(FILE *stream) : m_stream(stream), m_console(consoleOf(stream))
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 StandardText::writeData(const char *data, qint64 size)
{
    // A QTextStream writes here only when it flushes, and means the bytes to
    // leave then, as they would from a file's stream.
    if (!m_console)
        return std::fwrite(data, 1, std::size_t(size), m_stream) == std::size_t(size) && std::fflush(m_stream) == 0 ? size : -1;
    // Whatever went into the stream itself goes first; the decoder keeps a
    // character cut between two writes for the next.
    std::fflush(m_stream);
    const QString text = m_decoder.decode(QByteArrayView(data, size));
    return writeConsole(m_console, text) ? size : -1;
}

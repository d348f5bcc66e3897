#include "PipeLine.h"

#include "SystemReason.h"

#include <algorithm>

namespace {

// The module's end closed: what the system calls a broken pipe is, to a
// person, a module that was closed.
QString reasonFor(DWORD error)
{
    if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA)
        return QStringLiteral("the virtual module closed its port");
    return systemReason(int(error));
}

} // namespace

PipeLine::PipeLine(HANDLE pipe, const QString &name, QObject *parent)
    : QIODevice(parent), m_pipe(pipe), m_name(name)
{
    m_readOverlap.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_writeOverlap.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_readDone.setHandle(m_readOverlap.hEvent);
    m_writeDone.setHandle(m_writeOverlap.hEvent);
    connect(&m_readDone, &QWinEventNotifier::activated, this, &PipeLine::finishRead);
    connect(&m_writeDone, &QWinEventNotifier::activated, this, &PipeLine::finishWrite);
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    m_readDone.setEnabled(true);
    m_writeDone.setEnabled(true);
    startRead();
}

PipeLine::~PipeLine()
{
    close();
    m_readDone.setEnabled(false);
    m_writeDone.setEnabled(false);
    ::CloseHandle(m_readOverlap.hEvent);
    ::CloseHandle(m_writeOverlap.hEvent);
}

void PipeLine::close()
{
    if (m_pipe != INVALID_HANDLE_VALUE) {
        // The buffers stay the system's until the cancelled calls are done.
        ::CancelIoEx(m_pipe, nullptr);
        DWORD count = 0;
        if (m_readPending)
            ::GetOverlappedResult(m_pipe, &m_readOverlap, &count, TRUE);
        if (m_writePending)
            ::GetOverlappedResult(m_pipe, &m_writeOverlap, &count, TRUE);
        ::CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }
    m_readPending = false;
    m_writePending = false;
    m_writing.clear();
    m_waiting.clear();
    m_received.clear();
    QIODevice::close();
}

void PipeLine::startRead()
{
    if (m_broken || m_pipe == INVALID_HANDLE_VALUE)
        return;
    if (!::ReadFile(m_pipe, m_readBuffer.data(), DWORD(m_readBuffer.size()), nullptr, &m_readOverlap)
        && ::GetLastError() != ERROR_IO_PENDING) {
        breakOff(::GetLastError());
        return;
    }
    // Done at once or later, the event tells.
    m_readPending = true;
}

// Whether the call on overlap has ended well, with its count; one that
// failed breaks the pipe off. A completed call leaves its event set, which
// would wake the notifier for ever: it is cleared here, and the next call
// clears it again as it begins.
bool PipeLine::ended(OVERLAPPED &overlap, bool &pending, DWORD &count)
{
    if (!pending)
        return false;
    const bool done = ::GetOverlappedResult(m_pipe, &overlap, &count, FALSE);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return false;
    pending = false;
    ::ResetEvent(overlap.hEvent);
    if (!done)
        breakOff(error);
    return done;
}

void PipeLine::finishRead()
{
    DWORD count = 0;
    if (!ended(m_readOverlap, m_readPending, count))
        return;
    m_received.append(m_readBuffer.constData(), qsizetype(count));
    startRead();
    if (count > 0)
        emit readyRead();
}

bool PipeLine::waitForReadyRead(int milliseconds)
{
    if (!m_received.isEmpty())
        return true;
    if (!m_readPending || ::WaitForSingleObject(m_readOverlap.hEvent, DWORD(qMax(0, milliseconds))) != WAIT_OBJECT_0)
        return false;
    finishRead();
    return !m_received.isEmpty();
}

qint64 PipeLine::readData(char *data, qint64 maxSize)
{
    const qint64 count = qMin<qint64>(maxSize, m_received.size());
    std::copy_n(m_received.constData(), count, data);
    m_received.remove(0, count);
    return count;
}

qint64 PipeLine::writeData(const char *data, qint64 size)
{
    if (m_broken || m_pipe == INVALID_HANDLE_VALUE) {
        setErrorString(m_broken ? errorString() : QStringLiteral("the pipe is closed"));
        return -1;
    }
    m_waiting.append(data, qsizetype(size));
    if (!m_writePending)
        startWrite();
    return size;
}

void PipeLine::startWrite()
{
    if (m_waiting.isEmpty() || m_broken)
        return;
    m_writing.swap(m_waiting);
    if (!::WriteFile(m_pipe, m_writing.constData(), DWORD(m_writing.size()), nullptr, &m_writeOverlap)
        && ::GetLastError() != ERROR_IO_PENDING) {
        breakOff(::GetLastError());
        return;
    }
    m_writePending = true;
}

void PipeLine::finishWrite()
{
    DWORD count = 0;
    if (!ended(m_writeOverlap, m_writePending, count))
        return;
    m_writing.clear();
    emit bytesWritten(count);
    startWrite();
}

bool PipeLine::waitForBytesWritten(int milliseconds)
{
    if (!m_writePending)
        return false;
    if (::WaitForSingleObject(m_writeOverlap.hEvent, DWORD(qMax(0, milliseconds))) != WAIT_OBJECT_0)
        return false;
    finishWrite();
    return !m_broken;
}

void PipeLine::breakOff(DWORD error)
{
    if (m_broken)
        return;
    m_broken = true;
    setErrorString(reasonFor(error));
    emit readChannelFinished();
}

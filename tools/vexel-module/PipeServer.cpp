#include "PipeServer.h"

#include "SystemReason.h"
#include "VirtualPort.h"

namespace {

// Long enough for a panel that is busy for a moment, short enough that a
// panel that stopped reading does not stop the module.
constexpr DWORD WriteWaitMs = 1000;

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, systemReason(int(::GetLastError())));
}

} // namespace

PipeServer::~PipeServer()
{
    if (m_pipe != INVALID_HANDLE_VALUE) {
        ::CancelIoEx(m_pipe, nullptr);
        DWORD count = 0;
        ::GetOverlappedResult(m_pipe, &m_connect, &count, TRUE);
        ::CloseHandle(m_pipe);
    }
    for (const HANDLE event : {m_connect.hEvent, m_io.hEvent}) {
        if (event)
            ::CloseHandle(event);
    }
}

bool PipeServer::listen(int number)
{
    const VirtualPort::Served served = VirtualPort::serve(number);
    if (!served.pipe) {
        m_error = served.error;
        return false;
    }
    m_pipe = HANDLE(served.pipe);
    m_name = VirtualPort::pipeName(number);
    m_connect.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_io.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_connect.hEvent || !m_io.hEvent) {
        m_error = systemError(QStringLiteral("cannot wait on %1").arg(m_name));
        return false;
    }
    return waitForProgram();
}

bool PipeServer::waitForProgram()
{
    m_connected = false;
    ::ResetEvent(m_connect.hEvent);
    if (::ConnectNamedPipe(m_pipe, &m_connect) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
        m_connected = true;
        return true;
    }
    if (::GetLastError() == ERROR_IO_PENDING)
        return true;
    m_error = systemError(QStringLiteral("cannot wait for a program on %1").arg(m_name));
    return false;
}

PipeServer::Look PipeServer::look()
{
    if (!m_connected) {
        DWORD unused = 0;
        if (::WaitForSingleObject(m_connect.hEvent, 0) != WAIT_OBJECT_0)
            return {};
        if (!::GetOverlappedResult(m_pipe, &m_connect, &unused, FALSE)) {
            // A program that came and went at once.
            ::DisconnectNamedPipe(m_pipe);
            waitForProgram();
            return {};
        }
        m_connected = true;
    }
    DWORD available = 0;
    if (!::PeekNamedPipe(m_pipe, nullptr, 0, nullptr, &available, nullptr)) {
        // The program closed its end, and everything it sent has been read.
        ::DisconnectNamedPipe(m_pipe);
        waitForProgram();
        return {};
    }
    Look result{true, {}};
    if (available == 0)
        return result;
    result.bytes.resize(qsizetype(available));
    DWORD count = 0;
    // What was there is read at once.
    if ((!::ReadFile(m_pipe, result.bytes.data(), available, nullptr, &m_io) && ::GetLastError() != ERROR_IO_PENDING)
        || !::GetOverlappedResult(m_pipe, &m_io, &count, TRUE))
        count = 0;
    result.bytes.resize(qsizetype(count));
    return result;
}

bool PipeServer::write(const QByteArray &bytes)
{
    if (!m_connected) {
        m_error = QStringLiteral("no program has the port open");
        return false;
    }
    DWORD count = 0;
    if (!::WriteFile(m_pipe, bytes.constData(), DWORD(bytes.size()), nullptr, &m_io)
        && ::GetLastError() != ERROR_IO_PENDING) {
        m_error = systemError(QStringLiteral("write failed"));
        return false;
    }
    if (::WaitForSingleObject(m_io.hEvent, WriteWaitMs) != WAIT_OBJECT_0)
        ::CancelIoEx(m_pipe, &m_io);
    if (!::GetOverlappedResult(m_pipe, &m_io, &count, TRUE) || count != DWORD(bytes.size())) {
        m_error = QStringLiteral("the control panel took %1 of %2 bytes").arg(count).arg(bytes.size());
        return false;
    }
    return true;
}

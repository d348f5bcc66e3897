#include "ModuleLine.h"

#include "PipeServer.h"
#include "SystemReason.h"

#include <windows.h>

#include <memory>

// The COM port is read by looking at its input queue on the peer timer, with
// plain blocking calls that return at once: the overlapped reads a COM port
// otherwise takes are never woken by Wine for a port that is a Linux
// pseudo-terminal, which is how the module is tried out there. The virtual
// port's pipe is looked at on the same timer.

namespace {

constexpr int PollMs = 20;

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, systemReason(int(::GetLastError())));
}

} // namespace

ModuleLine::ModuleLine(QObject *parent)
    : QObject(parent)
{
    m_peerPoll.setInterval(PollMs);
    connect(&m_peerPoll, &QTimer::timeout, this, &ModuleLine::readPending);
}

ModuleLine::~ModuleLine()
{
    if (m_comPort)
        ::CloseHandle(HANDLE(m_comPort));
    delete m_pipe;
}

bool ModuleLine::openVirtualPort(int number)
{
    auto pipe = std::make_unique<PipeServer>();
    if (!pipe->listen(number)) {
        m_error = pipe->errorString();
        return false;
    }
    m_slavePath = pipe->name();
    m_pipe = pipe.release();
    m_peerPoll.start();
    return true;
}

bool ModuleLine::openDevice(const QString &path)
{
    const QString name = path.startsWith(QLatin1String("\\\\.\\")) ? path : QStringLiteral("\\\\.\\") + path;
    const HANDLE port = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        m_error = systemError(QStringLiteral("cannot open %1").arg(path));
        return false;
    }
    DCB line{};
    line.DCBlength = sizeof line;
    // Reads return what is there, never waiting for more.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if (!::GetCommState(port, &line)) {
        m_error = systemError(QStringLiteral("cannot set %1 to 9600,n,8,1").arg(path));
        ::CloseHandle(port);
        return false;
    }
    line.BaudRate = CBR_9600;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    if (!::SetCommState(port, &line) || !::SetCommTimeouts(port, &timeouts)) {
        m_error = systemError(QStringLiteral("cannot set %1 to 9600,n,8,1").arg(path));
        ::CloseHandle(port);
        return false;
    }
    m_comPort = port;
    m_slavePath = path;
    m_peerOpen = true;
    m_peerPoll.start();
    return true;
}

bool ModuleLine::write(const QByteArray &bytes)
{
    if (m_pipe) {
        if (m_pipe->write(bytes))
            return true;
        m_error = m_pipe->errorString();
        return false;
    }
    if (!m_comPort) {
        m_error = QStringLiteral("line closed");
        return false;
    }
    DWORD written = 0;
    if (!::WriteFile(HANDLE(m_comPort), bytes.constData(), DWORD(bytes.size()), &written, nullptr)
        || written != DWORD(bytes.size())) {
        m_error = systemError(QStringLiteral("write failed"));
        return false;
    }
    return true;
}

bool ModuleLine::readPending()
{
    if (m_pipe) {
        const PipeServer::Look look = m_pipe->look();
        // A program that came and sent at once has opened the line first.
        if (look.connected && !m_peerOpen)
            emit peerChanged(m_peerOpen = true);
        if (!look.bytes.isEmpty())
            emit received(look.bytes);
        if (!look.connected && m_peerOpen)
            emit peerChanged(m_peerOpen = false);
        return !look.bytes.isEmpty();
    }
    if (!m_comPort)
        return false;
    QByteArray bytes;
    char buffer[256];
    DWORD count = 0;
    while (::ReadFile(HANDLE(m_comPort), buffer, sizeof buffer, &count, nullptr) && count > 0)
        bytes.append(buffer, qsizetype(count));
    if (!bytes.isEmpty())
        emit received(bytes);
    return !bytes.isEmpty();
}

#include "VirtualPort.h"

#include "PipeLine.h"
#include "SystemReason.h"

#include <sddl.h>
#include <aclapi.h>
#include <windows.h>

#include <memory>
#include <vector>

namespace {

const QString PipeNamespace = QStringLiteral("\\\\.\\pipe\\");
// Room for the bytes of a long run of frames, as a serial driver keeps.
constexpr DWORD PipeBufferBytes = 4096;

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The user this program runs as, from its access token.
std::vector<char> tokenUser()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> user(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size))
        user.clear();
    ::CloseHandle(token);
    return user;
}

PSID userSid(std::vector<char> &user)
{
    return user.empty() ? nullptr : reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
}

// Only the pipe's creator may be served by it: a pipe of this name that
// another user made first would otherwise receive this user's frames.
bool ownedByThisUser(HANDLE pipe)
{
    std::vector<char> user = tokenUser();
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!userSid(user)
        || ::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                             &descriptor) != ERROR_SUCCESS)
        return false;
    const bool same = owner && ::EqualSid(owner, userSid(user));
    ::LocalFree(descriptor);
    return same;
}

} // namespace

namespace VirtualPort {

QString pipeName(int number)
{
    if (number < 1)
        return QString();
    wchar_t user[257] = {};
    DWORD size = DWORD(std::size(user));
    const QString name = ::GetUserNameW(user, &size) ? QString::fromWCharArray(user) : QStringLiteral("user");
    return PipeNamespace + QStringLiteral("vexelapp-%1-COM%2").arg(name).arg(number);
}

QString heldReason()
{
    return QStringLiteral("held by another program: the virtual module serves one program at a time");
}

bool isPipe(const QString &path)
{
    return path.startsWith(PipeNamespace, Qt::CaseInsensitive);
}

bool served(int number)
{
    // Waits a millisecond at most: a pipe that exists but is busy is served.
    return ::WaitNamedPipeW(wide(pipeName(number)), 1) || ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

Connection open(const QString &pipe)
{
    // Identification only: the module may not act as this user.
    const HANDLE handle = ::CreateFileW(wide(pipe), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_PIPE_BUSY)
            return {nullptr, heldReason(), true};
        return {nullptr, systemReason(int(error)), false};
    }
    if (!ownedByThisUser(handle)) {
        ::CloseHandle(handle);
        return {nullptr, QStringLiteral("the pipe belongs to another user"), false};
    }
    return {std::make_unique<PipeLine>(handle, pipe), QString(), false};
}

Served serve(int number)
{
    std::vector<char> user = tokenUser();
    wchar_t *sid = nullptr;
    if (!userSid(user) || !::ConvertSidToStringSidW(userSid(user), &sid))
        return {nullptr, QStringLiteral("cannot tell which user this is: %1").arg(systemReason(int(::GetLastError())))};
    // Owned by this user, who alone has any access; inherited rights, which
    // would let every user read, are refused.
    const QString sddl = QStringLiteral("O:%1D:P(A;;GA;;;%1)").arg(QString::fromWCharArray(sid));
    ::LocalFree(sid);
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(wide(sddl), SDDL_REVISION_1,
                                                                &security.lpSecurityDescriptor, nullptr))
        return {nullptr, QStringLiteral("cannot describe the pipe's rights: %1").arg(systemReason(int(::GetLastError())))};
    const QString name = pipeName(number);
    // One instance, made by this module first: a second module, or a second
    // program while one is served, is refused by the system itself.
    const HANDLE pipe = ::CreateNamedPipeW(wide(name), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                           PipeBufferBytes, PipeBufferBytes, 0, &security);
    const DWORD error = ::GetLastError();
    ::LocalFree(security.lpSecurityDescriptor);
    if (pipe == INVALID_HANDLE_VALUE) {
        if (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY)
            return {nullptr, QStringLiteral("port %1 is already served by another virtual module (%2)").arg(number).arg(name)};
        return {nullptr, QStringLiteral("cannot make the pipe %1: %2").arg(name, systemReason(int(error)))};
    }
    return {pipe, QString()};
}

} // namespace VirtualPort

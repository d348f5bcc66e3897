#pragma once

#include <QByteArray>
#include <QString>

#include <windows.h>

// The module's end of a virtual port's pipe on Windows, looked at on the
// module's timer as its COM port is. A program that connects is the panel
// on the port's other end until it closes its end; the pipe then waits for
// the next, under the same name throughout.
class PipeServer
{
public:
    PipeServer() = default;
    PipeServer(const PipeServer &) = delete;
    PipeServer &operator=(const PipeServer &) = delete;
    ~PipeServer();

    bool listen(int number);
    QString name() const { return m_name; }
    QString errorString() const { return m_error; }

    struct Look
    {
        bool connected = false;
        QByteArray bytes; // what the program sent since the last look
    };
    Look look();
    // Refused while no program is connected.
    bool write(const QByteArray &bytes);

private:
    bool waitForProgram();

    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED m_connect{};
    OVERLAPPED m_io{};
    bool m_connected = false;
    QString m_name;
    QString m_error;
};

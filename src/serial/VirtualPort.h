#pragma once

#include <QIODevice>
#include <QString>

#include <memory>

// The virtual module's port on Windows, which has no pseudo-terminals: the
// module serves port n through a named pipe of this user's, and for this
// user that pipe is port n while the module runs, before the COM port of the
// same number (as a COMn link in the program's folder is on Linux). The
// pipe takes no remote clients and no other user's programs, and one
// program at a time. On Linux the virtual module is a pseudo-terminal linked
// as COMn (PortName.h), so there is no such pipe and none is served.
namespace VirtualPort {

// "\\.\pipe\vexelapp-USER-COMn"; empty where ports have no such pipe.
QString pipeName(int number);
bool isPipe(const QString &path);
// Why a second program cannot have the port.
QString heldReason();
// Whether a virtual module of this user serves port n now.
bool served(int number);

struct Connection
{
    std::unique_ptr<QIODevice> line; // open, or null
    QString error;                   // why not
    bool held = false;               // another program has the port
};
// The line reports a module that went away by readChannelFinished(), with the
// reason in its errorString().
Connection open(const QString &pipe);

// The module's end of port n's pipe, waiting for a program: a handle for
// overlapped I/O, or null with the reason. Refused while another module
// serves the port.
struct Served
{
    void *pipe = nullptr;
    QString error;
};
Served serve(int number);

} // namespace VirtualPort

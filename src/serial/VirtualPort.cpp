#include "VirtualPort.h"

// Here the virtual module is a pseudo-terminal that its COMn link names, and
// the link is opened as any other serial device.

namespace VirtualPort {

QString pipeName(int)
{
    return QString();
}

QString heldReason()
{
    return QString();
}

bool isPipe(const QString &)
{
    return false;
}

bool served(int)
{
    return false;
}

Connection open(const QString &pipe)
{
    return {nullptr, QStringLiteral("%1: no virtual module serves ports through pipes here").arg(pipe), false};
}

Served serve(int number)
{
    return {nullptr, QStringLiteral("port %1: the virtual module is a pseudo-terminal here, not a pipe").arg(number)};
}

} // namespace VirtualPort

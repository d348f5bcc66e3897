#include "PortLink.h"

// Links are how Linux gives a pseudo-terminal a port number; on Windows the
// module only takes a COM port itself (ModuleLine), so there is none to make.

PortLink::~PortLink() = default;

QString PortLink::keptBecause(const QString &, const QString &)
{
    return QString();
}

bool PortLink::create(const QString &linkPath, const QString &)
{
    m_error = QStringLiteral("cannot link %1: port links are made on Linux only").arg(linkPath);
    return false;
}

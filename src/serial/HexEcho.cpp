#include "HexEcho.h"

QString hexEcho(quint8 byte)
{
    return QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

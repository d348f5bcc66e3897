#include "SystemReason.h"

QString systemReason(QString text)
{
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return text;
}

QString systemReason(int errorCode)
{
    return systemReason(qt_error_string(errorCode));
}

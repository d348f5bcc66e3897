#include "WholeNumber.h"

int wholeNumber(const QString &word, int low, int high)
{
    if (word.isEmpty())
        return -1;
    qint64 value = 0;
    for (const QChar character : word) {
        if (character < u'0' || character > u'9')
            return -1;
        value = value * 10 + (character.unicode() - u'0');
        if (value > high)
            return -1;
    }
    return value >= low ? int(value) : -1;
}

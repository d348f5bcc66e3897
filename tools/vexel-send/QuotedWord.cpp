#include "QuotedWord.h"

#include <QList>

QString quoted(const QString &word)
{
    const QList<uint> characters = word.toUcs4();
    QString shown;
    for (qsizetype i = 0; i < characters.size() && i < MaxQuotedCharacters; ++i) {
        const char32_t c = characters[i];
        shown += QChar::isPrint(c) ? QString::fromUcs4(&c, 1) : QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    }
    return QStringLiteral("\"%1%2\"").arg(shown, characters.size() > MaxQuotedCharacters ? QStringLiteral("...") : QString());
}

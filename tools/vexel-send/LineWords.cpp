#include "LineWords.h"

std::optional<QStringList> splitWords(const QString &line, QString &error)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        const bool escapes = c == u'\\' && quote != u'\''
            && (quote.isNull() || (i + 1 < line.size() && (line[i + 1] == u'"' || line[i + 1] == u'\\')));
        if (escapes) {
            if (++i == line.size()) {
                error = QStringLiteral("a backslash ends the line");
                return std::nullopt;
            }
            word += line[i];
            inWord = true;
        } else if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else if (c == u'#' && !inWord) {
            break;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull()) {
        error = QStringLiteral("the quote %1 is not closed").arg(quote);
        return std::nullopt;
    }
    if (inWord)
        words << word;
    return words;
}

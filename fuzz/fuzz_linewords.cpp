// libFuzzer target for the command-file line splitter: the input is one line.
// A line that splits must split again into the same words once each word is
// quoted back, as a shell user would quote it; the quoting lives here because
// the product never writes a command line.

#include "LineWords.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Single quotes keep everything; a quote itself is closed, escaped, reopened.
QString quoted(QString word)
{
    return QLatin1Char('\'') + word.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<QStringList> words = splitWords(line, error);
    if (!words) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    QStringList quotedWords;
    for (const QString &word : *words)
        quotedWords << quoted(word);
    const std::optional<QStringList> again = splitWords(quotedWords.join(QLatin1Char(' ')), error);
    if (!again || *again != *words)
        std::abort();
    return 0;
}

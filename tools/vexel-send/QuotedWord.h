#pragma once

#include <QString>

// A word from the user, in double quotes, for a message: at most
// MaxQuotedCharacters of it, ending in "..." when there is more, and
// characters that do not print (a NUL, a tab) as \xNN, so that a message about
// a huge or binary word stays one short line.
constexpr int MaxQuotedCharacters = 20;
QString quoted(const QString &word);

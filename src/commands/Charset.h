#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Characters become module bytes through Windows-1252, the 8-bit set of the
// platform the module was made for. A character the set cannot hold goes out
// as that platform's conversion sends it, by best fit, for the letters people
// type: a letter whose marks the set lacks as the nearest letter it holds
// (ő as o, ǖ as ü, İ as I), a compatibility form as its plain form (full-width
// Ｈ as H, the ideographic space as a space), and ı ł đ ħ ŧ as i l d h t (their
// capitals alike, Đ as Ð). Anything else (Greek, Cyrillic, CJK, an emoji, which
// is one character, not two) has no byte: sent as "?" it would reach the
// module as a question mark nobody typed, and a word of them as success.
std::optional<quint8> toModuleByte(char32_t character);
// What the user is told of a letter that has no byte.
QString withoutByte(char32_t letter);
// The text's letters, each one module byte: a letter typed as a base letter
// and combining marks is the one letter they compose, an emoji one letter.
QList<uint> moduleLetters(const QString &text);
// nullopt when a letter has no byte.
std::optional<QByteArray> toModuleBytes(const QString &text);

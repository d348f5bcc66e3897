#pragma once

#include <QByteArray>
#include <QString>

// Characters become module bytes through Windows-1252, the 8-bit set of the
// platform the module was made for. A character the set cannot hold becomes
// "?" (0x3F), as that platform's own conversion does; so does each character
// outside the Basic Multilingual Plane, which is one character, not two.
quint8 toModuleByte(char32_t character);
QByteArray toModuleBytes(const QString &text);

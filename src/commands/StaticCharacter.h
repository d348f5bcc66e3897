#pragma once

#include <QString>

// One character box of "Show Static Characters": the byte it stands for and
// the text the box holds afterwards. "^" and a digit name one of the module's
// custom characters 0 .. 9; any other text stands for its first letter, once
// a letter typed with combining marks is composed, and the box is cut to that
// letter (an empty box counts as a space).
struct StaticCharacter
{
    bool ok = false;       // false: "^" not followed by a digit, or a letter without a byte
    quint8 byte = 0;
    QString boxText;       // unchanged when the box names a custom character or fails
    char32_t noByte = 0;   // the letter the module has no byte for, when that is why it failed
};

StaticCharacter readStaticCharacter(const QString &boxText);

// Both boxes, the first dealt with in full before the second is looked at.
struct StaticCharacterPair
{
    StaticCharacter first;
    StaticCharacter second; // when the first box failed: not looked at, text as given
    int failedBox = 0;      // 0 none, 1 the first box, 2 the second

    bool ok() const { return failedBox == 0; }
};

StaticCharacterPair readStaticCharacters(const QString &firstBox, const QString &secondBox);

#pragma once

#include <QString>

// One character box of "Show Static Characters": the byte it stands for and
// the text the box holds afterwards. "^" and a digit name one of the module's
// custom characters 0 .. 9; any other text stands for its first character,
// and the box is cut to that character (an empty box counts as a space).
struct StaticCharacter
{
    bool ok = false;       // false: "^" not followed by a digit
    quint8 byte = 0;
    QString boxText;       // unchanged when the box names a custom character
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

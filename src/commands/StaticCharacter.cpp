#include "StaticCharacter.h"

#include "Charset.h"

#include <QList>

StaticCharacter readStaticCharacter(const QString &boxText)
{
    const QList<uint> characters = moduleLetters(boxText.isEmpty() ? QStringLiteral(" ") : boxText);
    const char32_t first = characters.front();
    if (first == U'^') {
        // For "^" alone the last character is the caret itself.
        const char32_t last = characters.back();
        if (last < U'0' || last > U'9')
            return {false, 0, boxText};
        return {true, quint8(last - U'0'), boxText};
    }
    const std::optional<quint8> byte = toModuleByte(first);
    if (!byte)
        return {false, 0, boxText, first};
    return {true, *byte, QString::fromUcs4(&first, 1)};
}

StaticCharacterPair readStaticCharacters(const QString &firstBox, const QString &secondBox)
{
    StaticCharacterPair pair;
    pair.first = readStaticCharacter(firstBox);
    if (!pair.first.ok) {
        pair.second.boxText = secondBox;
        pair.failedBox = 1;
        return pair;
    }
    pair.second = readStaticCharacter(secondBox);
    if (!pair.second.ok)
        pair.failedBox = 2;
    return pair;
}

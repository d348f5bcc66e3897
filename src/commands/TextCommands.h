#pragma once

#include "CommandContext.h"

#include <QString>

struct StaticCharacterPair;

// The static-character, scroll-text and scroll-speed commands.
class TextCommands
{
public:
    static inline const QString InvalidData = QStringLiteral("Invalid Data");

    explicit TextCommands(CommandContext context) : m_context(context) {}

    // Why static characters that failed cannot be sent: Invalid Data for a
    // caret without a digit, else the letter the module has no byte for.
    static QString refusal(const StaticCharacterPair &pair);
    // Why text cannot be scrolled, or "" when it can: its first letter that
    // has no byte, or whose byte is an opcode. A scroll text has no length and
    // ends at the next opcode byte, so such a letter (÷ ø ù ú ü ý þ, and what
    // turns into them, such as ǖ) would cut it short and start another
    // command with the letters after it.
    static QString unscrollable(const QString &text);

    // Each command says whether all it had to send left.
    // The boxes' texts come in and go out: an ordinary character's box is cut
    // to that character, also when the other box then proves invalid.
    bool showStaticCharacters(QString &firstBox, QString &secondBox);
    // Sends nothing, and says why, for a text that cannot be scrolled.
    bool scrollText(const QString &text);
    // speedPosition is the speed list's position, -1 when none: nothing sent.
    bool setScrollSpeed(int speedPosition);

private:
    CommandContext m_context;
};

#include "TextCommands.h"

#include "Charset.h"
#include "FrameSender.h"
#include "ModuleProtocol.h"
#include "PortControl.h"
#include "StaticCharacter.h"
#include "UserMessages.h"

using namespace ModuleProtocol;

bool TextCommands::showStaticCharacters(QString &firstBox, QString &secondBox)
{
    const StaticCharacterPair pair = readStaticCharacters(firstBox, secondBox);
    // A box that failed, or was not looked at, comes back as it was given.
    firstBox = pair.first.boxText;
    secondBox = pair.second.boxText;
    if (!pair.ok()) {
        m_context.messages.show(refusal(pair));
        return false;
    }
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = StaticCharacters;
    tx[1] = pair.first.byte;
    tx[2] = pair.second.byte;
    return m_context.sender.SendFrame(StaticCharactersLength);
}

QString TextCommands::refusal(const StaticCharacterPair &pair)
{
    const StaticCharacter &failed = pair.failedBox == 2 ? pair.second : pair.first;
    return failed.noByte ? withoutByte(failed.noByte) : InvalidData;
}

QString TextCommands::unscrollable(const QString &text)
{
    for (const char32_t character : moduleLetters(text)) {
        const std::optional<quint8> byte = toModuleByte(character);
        if (!byte)
            return withoutByte(character);
        if (isOpcode(*byte)) {
            return QStringLiteral("\"%1\" cannot be scrolled: the module takes its byte %2 for a command")
                .arg(QString::fromUcs4(&character, 1), QString::number(*byte, 16).toUpper());
        }
    }
    return {};
}

bool TextCommands::scrollText(const QString &text)
{
    if (const QString why = unscrollable(text); !why.isEmpty()) {
        m_context.messages.show(why);
        return false;
    }
    m_context.sender.txBuffer()[0] = ScrollText;
    // Every letter has a byte, as checked above.
    if (!m_context.sender.SendFrame(ScrollTextOpcodeLength, toModuleBytes(text).value_or(QByteArray())))
        return false;
    m_context.sender.appendToMonitor(QStringLiteral(" (") + text + QStringLiteral(")"));
    return true;
}

bool TextCommands::setScrollSpeed(int speedPosition)
{
    if (speedPosition < 0 || speedPosition >= SpeedCount)
        return false;
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = ScrollSpeed;
    tx[1] = speedOperand(speedPosition);
    return m_context.sender.SendFrame(ScrollSpeedLength);
}

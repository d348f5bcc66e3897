#include "TextCommands.h"

#include "Charset.h"
#include "FrameSender.h"
#include "ModuleProtocol.h"
#include "PortControl.h"
#include "StaticCharacter.h"
#include "UserMessages.h"

using namespace ModuleProtocol;

void TextCommands::showStaticCharacters(QString &firstBox, QString &secondBox)
{
    const StaticCharacterPair pair = readStaticCharacters(firstBox, secondBox);
    // A box that failed, or was not looked at, comes back as it was given.
    firstBox = pair.first.boxText;
    secondBox = pair.second.boxText;
    if (!pair.ok()) {
        m_context.messages.show(InvalidData);
        return;
    }
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = StaticCharacters;
    tx[1] = pair.first.byte;
    tx[2] = pair.second.byte;
    m_context.sender.SendFrame(StaticCharactersLength);
}

void TextCommands::scrollText(const QString &text)
{
    m_context.sender.txBuffer()[0] = ScrollText;
    if (!m_context.sender.SendFrame(ScrollTextOpcodeLength))
        return;
    const QByteArray bytes = toModuleBytes(text);
    if (!bytes.isEmpty() && !m_context.port.output(bytes))
        return;
    m_context.sender.appendToMonitor(QStringLiteral(" (") + text + QStringLiteral(")"));
}

void TextCommands::setScrollSpeed(int speedPosition)
{
    if (speedPosition < 0 || speedPosition >= SpeedCount)
        return;
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = ScrollSpeed;
    tx[1] = speedOperand(speedPosition);
    m_context.sender.SendFrame(ScrollSpeedLength);
}

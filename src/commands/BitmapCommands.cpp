#include "BitmapCommands.h"

#include "FrameSender.h"
#include "PortControl.h"
#include "TimerWait.h"
#include "UserMessages.h"

using namespace ModuleProtocol;

StoreReply BitmapCommands::saveBitmap(int slot, ColumnBytes pattern)
{
    if (slot < 0 || slot >= SlotCount)
        return {};
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = SaveBitmap;
    tx[1] = quint8(slot);
    writePattern(pattern);
    return sendAndConfirm(BitmapFrameLength, QStringLiteral("Bitmap Saved"));
}

bool BitmapCommands::displayBitmap(int position, ColumnBytes pattern)
{
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = DisplayBitmap;
    tx[1] = position == 0 ? 0 : 1;
    writePattern(pattern);
    return m_context.sender.SendFrame(BitmapFrameLength);
}

StoreReply BitmapCommands::saveStartupScreen()
{
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = SaveStartupScreen;
    tx[1] = StartupMarker;
    return sendAndConfirm(SaveStartupScreenLength, QStringLiteral("Screen Saved As Startup"));
}

bool BitmapCommands::animate(int animation, int position)
{
    if (animation < 0 || animation >= AnimationCount || position < 0 || position >= PositionCount)
        return false;
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = Animate;
    tx[1] = quint8(animation);
    tx[2] = quint8(position);
    return m_context.sender.SendFrame(AnimateLength);
}

void BitmapCommands::writePattern(const ColumnBytes &pattern)
{
    TxBuffer &tx = m_context.sender.txBuffer();
    for (std::size_t i = 0; i < pattern.size(); ++i)
        tx[i + 2] = pattern[i];
}

StoreReply BitmapCommands::sendAndConfirm(int count, const QString &confirmation)
{
    if (!m_context.sender.SendFrame(count))
        return {};
    if (!m_context.wait.wait())
        return {StoreReply::Outcome::NotRead};
    const StoreReply reply = readReply();
    if (reply.outcome == StoreReply::Outcome::Acknowledged)
        m_context.messages.show(confirmation);
    return reply;
}

// Exactly one byte, 0xAA, counts as the module's yes. Two or more waiting
// bytes are left alone, so they also silence the next store's test.
StoreReply BitmapCommands::readReply()
{
    PortControl &port = m_context.port;
    // Looking at the line may be what finds it lost; a lost port has nothing to say.
    const int waiting = port.portOpen() ? port.inBufferCount() : 0;
    if (!port.portOpen())
        return {StoreReply::Outcome::NotRead};
    if (waiting == 0)
        return {StoreReply::Outcome::NoAnswer};
    if (waiting > 1)
        return {StoreReply::Outcome::SeveralBytes, waiting};
    const QByteArray reply = port.input();
    if (reply.isEmpty())
        return {StoreReply::Outcome::NotRead};
    const quint8 byte = quint8(reply.at(0));
    return {byte == Acknowledge ? StoreReply::Outcome::Acknowledged : StoreReply::Outcome::OtherByte, 1, byte};
}

#include "BitmapCommands.h"

#include "FrameSender.h"
#include "PortControl.h"
#include "TimerWait.h"
#include "UserMessages.h"

using namespace ModuleProtocol;

void BitmapCommands::saveBitmap(int slot, ColumnBytes pattern)
{
    if (slot < 0 || slot >= SlotCount)
        return;
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = SaveBitmap;
    tx[1] = quint8(slot);
    writePattern(pattern);
    sendAndConfirm(BitmapFrameLength, QStringLiteral("Bitmap Saved"));
}

void BitmapCommands::displayBitmap(int position, ColumnBytes pattern)
{
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = DisplayBitmap;
    tx[1] = position == 0 ? 0 : 1;
    writePattern(pattern);
    m_context.sender.SendFrame(BitmapFrameLength);
}

void BitmapCommands::saveStartupScreen()
{
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = SaveStartupScreen;
    tx[1] = StartupMarker;
    sendAndConfirm(SaveStartupScreenLength, QStringLiteral("Screen Saved As Startup"));
}

void BitmapCommands::animate(int animation, int position)
{
    if (animation < 0 || animation >= AnimationCount || position < 0 || position >= PositionCount)
        return;
    TxBuffer &tx = m_context.sender.txBuffer();
    tx[0] = Animate;
    tx[1] = quint8(animation);
    tx[2] = quint8(position);
    m_context.sender.SendFrame(AnimateLength);
}

void BitmapCommands::writePattern(const ColumnBytes &pattern)
{
    TxBuffer &tx = m_context.sender.txBuffer();
    for (std::size_t i = 0; i < pattern.size(); ++i)
        tx[i + 2] = pattern[i];
}

void BitmapCommands::sendAndConfirm(int count, const QString &confirmation)
{
    if (!m_context.sender.SendFrame(count))
        return;
    if (!m_context.wait.wait())
        return;
    if (acknowledged())
        m_context.messages.show(confirmation);
}

// Exactly one byte, 0xAA, counts as the module's yes. Two or more waiting
// bytes are left alone, so they also silence the next store's test.
bool BitmapCommands::acknowledged()
{
    PortControl &port = m_context.port;
    if (!port.portOpen() || port.inBufferCount() != 1)
        return false;
    const QByteArray reply = port.input();
    return !reply.isEmpty() && quint8(reply.at(0)) == Acknowledge;
}

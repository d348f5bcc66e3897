#pragma once

#include "CommandContext.h"
#include "ModuleProtocol.h"
#include "StoreReply.h"

#include <QString>

// Storing and showing dot patterns, the animations and the start-up screen.
// List positions come in as read from their lists; -1 means no entry chosen.
// The commands that only send say whether their whole frame left.
class BitmapCommands
{
public:
    explicit BitmapCommands(CommandContext context) : m_context(context) {}

    StoreReply saveBitmap(int slot, ModuleProtocol::ColumnBytes pattern);
    bool displayBitmap(int position, ModuleProtocol::ColumnBytes pattern);
    StoreReply saveStartupScreen();
    bool animate(int animation, int position);

private:
    void writePattern(const ModuleProtocol::ColumnBytes &pattern);
    StoreReply sendAndConfirm(int count, const QString &confirmation);
    StoreReply readReply();

    CommandContext m_context;
};

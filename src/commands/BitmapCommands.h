#pragma once

#include "CommandContext.h"
#include "ModuleProtocol.h"

#include <QString>

// Storing and showing dot patterns, the animations and the start-up screen.
// List positions come in as read from their lists; -1 means no entry chosen.
class BitmapCommands
{
public:
    explicit BitmapCommands(CommandContext context) : m_context(context) {}

    void saveBitmap(int slot, ModuleProtocol::ColumnBytes pattern);
    void displayBitmap(int position, ModuleProtocol::ColumnBytes pattern);
    void saveStartupScreen();
    void animate(int animation, int position);

private:
    void writePattern(const ModuleProtocol::ColumnBytes &pattern);
    void sendAndConfirm(int count, const QString &confirmation);
    bool acknowledged();

    CommandContext m_context;
};

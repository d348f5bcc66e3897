#include "ScriptedModule.h"

#include "ModuleProtocol.h"
#include "PtyPair.h"

#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

namespace {
int frameLength(quint8 opcode)
{
    using namespace ModuleProtocol;
    switch (opcode) {
    case SaveStartupScreen: return SaveStartupScreenLength;
    case Animate: return AnimateLength;
    case SaveBitmap: return BitmapFrameLength;
    case ScrollSpeed: return ScrollSpeedLength;
    case DisplayBitmap: return BitmapFrameLength;
    case StaticCharacters: return StaticCharactersLength;
    default: return 1;
    }
}
} // namespace

ScriptedModule::ScriptedModule(PtyPair &line, QObject *parent) : QObject(parent), m_line(line)
{
    m_notifier = new QSocketNotifier(line.masterFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ScriptedModule::onReadable);
}

void ScriptedModule::onReadable()
{
    char chunk[512];
    const ssize_t got = ::read(m_line.masterFd(), chunk, sizeof chunk);
    if (got <= 0) {
        m_notifier->setEnabled(false); // the program closed its end for good
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const quint8 byte = quint8(chunk[i]);
        received.append(char(byte));
        if (m_frameLeft == 0) {
            m_frameLeft = frameLength(byte);
            m_inStore = byte == ModuleProtocol::SaveBitmap || byte == ModuleProtocol::SaveStartupScreen;
        }
        if (--m_frameLeft == 0 && m_inStore) {
            ++storesSeen;
            QTimer::singleShot(replyDelayMs, this, &ScriptedModule::answer);
        }
    }
}

void ScriptedModule::answer()
{
    if (!reply.isEmpty())
        m_line.write(reply);
}

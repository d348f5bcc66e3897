#include "ModuleSession.h"

#include "HexEcho.h"
#include "PortName.h"
#include "PortTrouble.h"

ModuleSession::ModuleSession(const QString &programDir) : m_programDir(programDir), m_port(programDir)
{
    m_port.setSettings(QStringLiteral("9600,n,8,1"));
    m_port.setInputMode(1);
    m_port.setStallLimit(StallLimitMs);
}

QString ModuleSession::open(int port, const QString &device)
{
    m_port.setDevice(device);
    if (m_port.setCommPort(port) && m_port.setPortOpen(true))
        return QString();
    // The port layer reports a lock held elsewhere and a missing right alike,
    // as a permission error; what the system shows of the device tells them apart.
    const QString opened = device.isEmpty() ? portDevicePath(port, m_programDir) : deviceBehind(device);
    const QString trouble = opened.isEmpty() ? QString() : portTrouble(opened, m_port.permissionRefused());
    if (trouble.isEmpty())
        return m_port.errorString();
    const QString where = device.isEmpty() ? QStringLiteral("port %1 (%2)").arg(port).arg(opened) : opened;
    return QStringLiteral("%1: %2").arg(where, trouble);
}

ModuleSession::Result ModuleSession::run(const ModuleCommand &command)
{
    Result result;
    switch (command.kind) {
    case ModuleCommand::Kind::Chars: {
        QString first = command.first;
        QString second = command.second;
        result = sendResult(m_textCommands.showStaticCharacters(first, second));
        break;
    }
    case ModuleCommand::Kind::Scroll:
        result = sendResult(m_textCommands.scrollText(command.text));
        break;
    case ModuleCommand::Kind::Speed:
        result = sendResult(m_textCommands.setScrollSpeed(command.choice));
        break;
    case ModuleCommand::Kind::Show:
        result = sendResult(m_bitmapCommands.displayBitmap(command.position, command.pattern));
        break;
    case ModuleCommand::Kind::Animate:
        result = sendResult(m_bitmapCommands.animate(command.choice, command.position));
        break;
    case ModuleCommand::Kind::Save:
        result = storeResult(m_bitmapCommands.saveBitmap(command.choice, command.pattern));
        break;
    case ModuleCommand::Kind::SaveStartup:
        result = storeResult(m_bitmapCommands.saveStartupScreen());
        break;
    case ModuleCommand::Kind::Play:
    case ModuleCommand::Kind::Wait:
        return result; // PlaySchedule turns these into frames and pauses
    }
    result.output = QStringList{m_sender.monitorText().trimmed()} + m_messages.take();
    if (result.status != PortFailed && !m_port.drain()) {
        result.status = PortFailed;
        result.error = m_port.errorString();
    }
    return result;
}

ModuleSession::Result ModuleSession::sendResult(bool sent) const
{
    if (sent)
        return {};
    return {PortFailed, {}, m_port.errorString()};
}

ModuleSession::Result ModuleSession::storeResult(const StoreReply &reply) const
{
    switch (reply.outcome) {
    case StoreReply::Outcome::Acknowledged:
        return {};
    case StoreReply::Outcome::NoAnswer:
        return {NotAcknowledged, {}, QStringLiteral("no answer")};
    case StoreReply::Outcome::OtherByte:
        return {NotAcknowledged, {}, QStringLiteral("answered ") + hexEcho(reply.byte).trimmed()};
    case StoreReply::Outcome::SeveralBytes:
        return {NotAcknowledged, {}, QStringLiteral("answered %1 bytes").arg(reply.waiting)};
    case StoreReply::Outcome::NotSent:
    case StoreReply::Outcome::NotRead:
        break;
    }
    return sendResult(false);
}

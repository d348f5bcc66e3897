#include "FrameSender.h"

#include "HexEcho.h"
#include "PortControl.h"

#include <algorithm>

FrameSender::FrameSender(PortControl &port, QObject *parent)
    : QObject(parent), m_port(port)
{
}

bool FrameSender::SendFrame(int count, const QByteArray &trailer)
{
    if (count < 0 || count > int(m_txBuffer.size()))
        return false;
    // Whole, because the module reads a pause inside a frame as its end.
    const QByteArray frame = QByteArray(reinterpret_cast<const char *>(m_txBuffer.data()), count) + trailer;
    const bool sent = frame.isEmpty() || m_port.output(frame);
    const qint64 echoed = sent ? count : std::min<qint64>(count, m_port.outputTaken());
    QString echo;
    for (qint64 i = 0; i < echoed; ++i)
        echo += hexEcho(m_txBuffer[std::size_t(i)]);
    setMonitorText(echo);
    return sent;
}

void FrameSender::appendToMonitor(const QString &text)
{
    setMonitorText(m_monitorText + text);
}

void FrameSender::setMonitorText(const QString &text)
{
    m_monitorText = text;
    emit monitorTextChanged(m_monitorText);
}

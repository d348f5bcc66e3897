#include "FrameSender.h"

#include "HexEcho.h"
#include "PortControl.h"

FrameSender::FrameSender(PortControl &port, QObject *parent)
    : QObject(parent), m_port(port)
{
}

bool FrameSender::SendFrame(int count)
{
    if (count < 0 || count > int(m_txBuffer.size()))
        return false;
    setMonitorText(QString());
    for (int i = 0; i < count; ++i) {
        const quint8 byte = m_txBuffer[std::size_t(i)];
        if (!m_port.output(QByteArray(1, char(byte))))
            return false;
        setMonitorText(m_monitorText + hexEcho(byte));
    }
    return true;
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

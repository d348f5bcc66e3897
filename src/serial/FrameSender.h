#pragma once

#include <QObject>
#include <QString>

#include <array>

class PortControl;

// The shared transmit buffer: every command writes its frame here from index
// 0. It is never cleared, so bytes behind a short frame keep older values.
using TxBuffer = std::array<quint8, 71>;

// Sends frames from the transmit buffer and keeps the traffic monitor's text.
class FrameSender : public QObject
{
    Q_OBJECT
public:
    explicit FrameSender(PortControl &port, QObject *parent = nullptr);

    TxBuffer &txBuffer() { return m_txBuffer; }
    const TxBuffer &txBuffer() const { return m_txBuffer; }

    // Writes bytes 0 .. count-1 one at a time, each echoed after it left.
    // Returns false when the port failed mid-frame (what went out stays
    // shown) or when count lies outside the buffer (nothing is touched).
    bool SendFrame(int count);

    QString monitorText() const { return m_monitorText; }
    void appendToMonitor(const QString &text);

signals:
    void monitorTextChanged(const QString &text);

private:
    void setMonitorText(const QString &text);

    PortControl &m_port;
    TxBuffer m_txBuffer{};
    QString m_monitorText;
};

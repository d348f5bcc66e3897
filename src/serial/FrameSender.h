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

    // Hands bytes 0 .. count-1, then the trailer (a scroll's text, which the
    // module takes as part of its frame), to the port in one write, then
    // echoes the count bytes. Returns false when the port failed (only what
    // the line took is echoed) or when count lies outside the buffer
    // (nothing is touched).
    bool SendFrame(int count, const QByteArray &trailer = {});

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

#pragma once

#include "LineSettings.h"
#include "PortControl.h"

#include <QSerialPort>
#include <QTimer>

#include <memory>

// The port control over QSerialPort. Port numbers become devices as PortName.h
// describes, looked up in programDir; on Windows a port that a virtual module
// serves is its pipe (VirtualPort.h), which takes the same frames and gives
// the same answers and losses.
//
// The input buffer holds at most 1024 bytes. Once it is full, further bytes
// are not read from the device: they wait in the system's own buffer for the
// tty until input() makes room, and what overflows that buffer is dropped by
// the system.
//
// Each output() is one frame, handed to the system in one write. What the
// line cannot take at once (the far end stopped reading and the system's
// buffers for the tty are full) waits in an output buffer of 512 bytes and
// leaves as soon as the line has room. A frame that would leave more than that
// waiting fails, and the device counts as lost: it takes nothing.
// That is the window's rule, where a person's clicks never outrun the line.
// With a stall limit set, output() instead waits at the line's pace until the
// system has taken every byte, and the device counts as lost only when the
// line takes no byte at all for that long; a program sending a long run of
// commands wants this. A frame is not begun while the line says it is full;
// one that the line stops taking halfway is said to be cut.
//
// A lost device is closed at the first read or write error, because a hung-up
// line otherwise reports errors at full processor load for as long as it stays
// open; a write refused only because the line is full is no such error.
// portLost() is then emitted from the event loop, after the call that ran into
// the loss has returned, and not at all if the port was opened again in the
// meantime.
class SerialPortControl : public PortControl
{
    Q_OBJECT
public:
    static constexpr qint64 InputBufferSize = 1024;
    static constexpr qint64 OutputBufferSize = 512;

    explicit SerialPortControl(const QString &programDir, QObject *parent = nullptr);
    ~SerialPortControl() override = default;

    // A number given while the port is open takes effect at the next open.
    bool setCommPort(int number) override;
    // The device the next open uses in place of the numbered port's, links
    // followed as for a port number; empty goes back to the numbered port.
    void setDevice(const QString &path) { m_device = path; }
    int commPort() const override;
    // 0, the default, for the window's rule above; else the stall limit in ms.
    void setStallLimit(int milliseconds) { m_stallLimitMs = milliseconds; }

    bool portOpen() const override;
    bool setPortOpen(bool open) override;

    // Refuses text that LineSettings cannot parse. Applied at the next open.
    bool setSettings(const QString &settings) override;
    QString settings() const override;

    bool setInputMode(int mode) override;
    int inputMode() const override;

    bool output(const QByteArray &bytes) override;
    qint64 outputTaken() const override { return m_outputTaken; }
    // With a stall limit set: waits until the system has sent every byte
    // written, as tcdrain() does, giving up (the device lost) when none leaves
    // for that long. A pseudo-terminal hands bytes to its far end at once.
    bool drain();

    int inBufferCount() override;
    QByteArray input() override;

    QString errorString() const override;
    // Whether the last failed open was refused for want of permission: the
    // device's rights, or on Linux the lock file of another program.
    bool permissionRefused() const { return m_permissionRefused; }

private:
    bool open();
    bool openPipe(const QString &pipe, const QString &where);
    void closeLine();
    void pushOut();
    void pullFromDevice();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void noteLoss(const QString &reason);
    QString hangUpReason() const;
    void checkForHangUp();
    bool waitForRoom();
    bool waitForLine();
    // Closes the port for a loss QSerialPort told; whether it is still open.
    bool isUsable();
    void loseDevice(const QString &reason);
    void stopForStall();
    void closeAsLost(const QString &message);

    QString m_programDir;
    QSerialPort m_port;
    std::unique_ptr<QIODevice> m_pipe;
    // The line in use, open or not: m_port, or the pipe while one is open.
    QIODevice *m_line = &m_port;
    QString m_lineName;
    // With the input buffer full, QSerialPort stops watching the device, and
    // with it goes the only notice of a hang-up; this looks for one instead.
    QTimer m_hangUpWatch;
    int m_commPort = 1;
    QString m_device;
    QString m_settings = QStringLiteral("9600,n,8,1");
    LineSettings m_lineSettings;
    int m_inputMode = 0;
    int m_stallLimitMs = 0;
    QString m_errorString;
    // Set when the device was lost, so that a later write keeps its reason.
    bool m_lost = false;
    QString m_pendingLoss; // told by QSerialPort, the port not closed yet
    bool m_permissionRefused = false;
    qint64 m_outputTaken = 0;
    // What the port still held to send when it closed as lost.
    qint64 m_unsentAtLoss = 0;
    // Counts successful opens, so that a loss report still queued from an
    // earlier connection is not delivered for a newer one.
    quint64 m_connection = 0;
};

#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QWinEventNotifier>

#include <windows.h>

// The panel's end of a virtual module's named pipe, as a sequential device
// like a serial port: reading and writing go on in the background with
// overlapped I/O, woken by the system's events. When the module goes away
// the device emits readChannelFinished() once, with the reason in
// errorString(); writes are refused from then on.
class PipeLine : public QIODevice
{
    Q_OBJECT
public:
    // Takes a connected pipe opened for overlapped I/O, and opens the device.
    PipeLine(HANDLE pipe, const QString &name, QObject *parent = nullptr);
    ~PipeLine() override;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_received.size() + QIODevice::bytesAvailable(); }
    qint64 bytesToWrite() const override { return m_writing.size() + m_waiting.size(); }
    bool waitForReadyRead(int milliseconds) override;
    bool waitForBytesWritten(int milliseconds) override;
    void close() override;

    // Also true before the event loop has heard of it, once the system has
    // ended the pending read with an error.
    bool broken() const
    {
        return m_broken || (m_readPending && HasOverlappedIoCompleted(&m_readOverlap) && m_readOverlap.Internal != 0);
    }
    QString name() const { return m_name; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void startRead();
    void finishRead();
    void startWrite();
    void finishWrite();
    bool ended(OVERLAPPED &overlap, bool &pending, DWORD &count);
    void breakOff(DWORD error);

    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    QString m_name;
    OVERLAPPED m_readOverlap{};
    OVERLAPPED m_writeOverlap{};
    QWinEventNotifier m_readDone;
    QWinEventNotifier m_writeDone;
    QByteArray m_readBuffer = QByteArray(4096, Qt::Uninitialized);
    QByteArray m_received;
    QByteArray m_writing; // handed to the system, not yet taken
    QByteArray m_waiting; // written since, for the next write
    bool m_readPending = false;
    bool m_writePending = false;
    bool m_broken = false;
};

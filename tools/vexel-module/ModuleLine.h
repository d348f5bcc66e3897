#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class PipeServer;
class QSocketNotifier;

// The module's end of the serial line: the master of a pseudo-terminal, or a
// real serial device. A pty master reads EIO once the control panel closes the
// slave; the line then waits for the next open instead of giving up.
//
// Windows has no pseudo-terminals: there the module serves its port through a
// named pipe (PipeServer), or takes one end of a null-modem pair (two COM
// ports joined by a driver or a cable) as a device (ModuleLineWindows.cpp).
class ModuleLine : public QObject
{
    Q_OBJECT
public:
    explicit ModuleLine(QObject *parent = nullptr);
    ~ModuleLine() override;

    // The line that the control panel finds as port n: a pseudo-terminal,
    // which a COMn link then names, or on Windows port n's own pipe.
    // slavePath() names it.
    bool openVirtualPort(int number);
    // Raw, 9600 baud, 8 data bits, no parity, 1 stop bit.
    bool openDevice(const QString &path);

    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_error; }

    // Refused while nobody has the other end open: bytes written then would
    // wait in the pty and reach whoever opens it next.
    bool write(const QByteArray &bytes);
    // Reads whatever waits now and emits it; true when anything came.
    bool readPending();

signals:
    void received(const QByteArray &bytes);
    void peerChanged(bool open);

private:
    bool adopt(int fd, bool peerOpen);
    void watchOpens();
    bool peerHungUp() const;
    void checkPeer();
    void setPeerOpen(bool open);

    int m_fd = -1;
    bool m_peerOpen = false;
    QString m_slavePath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    void *m_comPort = nullptr; // the device's HANDLE, on Windows
    PipeServer *m_pipe = nullptr;
    // While the other end is closed the fd polls as hung up all the time, so
    // it is looked at when the device is opened, or else on a timer.
    int m_opensFd = -1;
    QSocketNotifier *m_opensNotifier = nullptr;
    QTimer m_peerPoll;
};

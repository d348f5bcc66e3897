#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The program's only way to the serial line. Its members mirror the seven
// properties the window relies on: CommPort, PortOpen, Settings, InputMode,
// Output, InBufferCount and Input. Calls that can be refused return false and
// leave a human-readable reason in errorString(); the port stays as it was.
class PortControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PortControl() override = default;

    // CommPort: the number of the port the next open uses (0 names nothing).
    virtual bool setCommPort(int number) = 0;
    virtual int commPort() const = 0;

    // PortOpen.
    virtual bool portOpen() const = 0;
    virtual bool setPortOpen(bool open) = 0;

    // Settings, e.g. "9600,n,8,1"; applied when the port opens.
    virtual bool setSettings(const QString &settings) = 0;
    virtual QString settings() const = 0;

    // InputMode: 0 text, 1 bytes. Input() always hands out bytes; the mode is
    // kept because the window sets it and a caller may read it back.
    virtual bool setInputMode(int mode) = 0;
    virtual int inputMode() const = 0;

    // Output: the bytes, a whole frame, are handed to the system in one write
    // and leave the line unchanged, at once or, when the far end is not
    // taking them, as soon as the line has room. False when the port is
    // closed or the write failed (the port is then lost, see below); a port
    // lost earlier keeps the reason it was lost for.
    virtual bool output(const QByteArray &bytes) = 0;
    // How many bytes of the last output() the line took: all of them when it
    // succeeded, fewer when the port was lost in the middle.
    virtual qint64 outputTaken() const = 0;

    // InBufferCount and Input: bytes received and not yet taken, oldest first.
    virtual int inBufferCount() = 0;
    virtual QByteArray input() = 0;

    virtual QString errorString() const = 0;

signals:
    // The device went away while open (unplugged, hung up, write failed). The
    // port is already closed when this is emitted, and it is emitted once.
    void portLost();
};

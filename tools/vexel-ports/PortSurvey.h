#pragma once

#include "PortName.h"

#include <QHash>
#include <QList>
#include <QString>

// Where the control panel's port numbers lead on this machine, read from the
// file system alone, by the panel's own lookup (PortName.h).
class PortSurvey
{
public:
    static constexpr int PortCount = LastPortNumber;

    struct Holder
    {
        qint64 pid = 0;
        QString command;
    };
    // Open file (as the kernel names it, e.g. /dev/pts/3) to the processes that have it open.
    using OpenFiles = QHash<QString, QList<Holder>>;

    struct PortStatus
    {
        int number = 0;
        QString path;        // what the panel opens: a COMn entry or /dev/ttyS(n-1)
        QString device;      // where path leads; empty when nothing is there
        bool accessible = false;
        bool noHardware = false;  // a ttyS node with no UART behind it: opening it fails
        QList<Holder> holders;
        PortSource source = PortSource::System;
        QString notSerial;        // what device is, e.g. "a plain file", when no serial device; else empty

        bool viaLink() const { return source != PortSource::System; }
    };

    struct UsbDevice
    {
        QString path;        // the stable /dev/serial/by-id name when there is one
        QString device;
        int port = 0;        // the COMn already leading to it, 0 for none
    };

    // The system folders are parameters only so that tests can stand in for them.
    explicit PortSurvey(const QString &programDir, const QString &devDir = QStringLiteral("/dev"),
                        const QString &procDir = QStringLiteral("/proc"), const QString &sysDir = QStringLiteral("/sys"),
                        const QString &userDir = userPortFolder());

    static inline const QString DialoutHint =
        QStringLiteral("join the dialout group with `sudo usermod -aG dialout $USER`, then log in again");

    QString portPath(int number) const;
    PortStatus status(int number, const OpenFiles &openFiles) const;
    // The same for any path, such as a device named directly; number and source stay unset.
    PortStatus pathStatus(const QString &path, const OpenFiles &openFiles) const;
    // Every process's open devices, from /proc/*/fd; processes of other users
    // stay hidden from a user who is not root.
    OpenFiles openFiles() const;
    QList<UsbDevice> usbDevices() const;
    // Port numbers with no COMn entry in either folder yet, lowest first.
    QList<int> freePorts() const;

    // The ln -s line that makes the device port n, in the folder this user may write.
    QString linkCommand(const QString &device, int number) const;
    static QString describe(const PortStatus &status);
    static QString describe(PortSource source);

private:
    QString m_programDir;
    QString m_userDir;
    QString m_devDir;
    QString m_procDir;
    QString m_sysDir;
};

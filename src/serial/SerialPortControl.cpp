#include "SerialPortControl.h"

#include "LineQueue.h"
#include "PortName.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <utility>

namespace {
constexpr int HangUpWatchIntervalMs = 100;
// How often drain() looks at the system's queue: two bytes' time at 9600
// baud, so that a command following a drained one leaves hardly a gap.
constexpr int DrainCheckIntervalMs = 2;

// The system's words as the clause after a colon that every other reason
// is: "Invalid function." and "Permission error while locking the device"
// begin in lower case and end without a full stop; a name in capitals
// ("COM7 ...") keeps them.
QString systemReason(QString text)
{
    if (text.endsWith(u'.'))
        text.chop(1);
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

SerialPortControl::SerialPortControl(const QString &programDir, QObject *parent)
    : PortControl(parent), m_programDir(programDir)
{
    m_port.setReadBufferSize(InputBufferSize);
    m_hangUpWatch.setInterval(HangUpWatchIntervalMs);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortControl::onError);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortControl::onReadyRead);
    connect(&m_hangUpWatch, &QTimer::timeout, this, &SerialPortControl::checkForHangUp);
}

bool SerialPortControl::setCommPort(int number)
{
    if (number < 0) {
        m_errorString = tr("Invalid port number %1.").arg(number);
        return false;
    }
    m_commPort = number;
    return true;
}

int SerialPortControl::commPort() const
{
    return m_commPort;
}

bool SerialPortControl::portOpen() const
{
    return m_port.isOpen();
}

bool SerialPortControl::setPortOpen(bool open)
{
    if (open == m_port.isOpen())
        return true;
    if (!open) {
        m_hangUpWatch.stop();
        m_port.close();
        return true;
    }
    return this->open();
}

bool SerialPortControl::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = LineSettings::parse(settings);
    if (!parsed) {
        m_errorString = tr("Invalid line settings \"%1\".").arg(settings);
        return false;
    }
    m_settings = settings;
    m_lineSettings = *parsed;
    return true;
}

QString SerialPortControl::settings() const
{
    return m_settings;
}

bool SerialPortControl::setInputMode(int mode)
{
    if (mode != 0 && mode != 1) {
        m_errorString = tr("Invalid input mode %1.").arg(mode);
        return false;
    }
    m_inputMode = mode;
    return true;
}

int SerialPortControl::inputMode() const
{
    return m_inputMode;
}

bool SerialPortControl::output(const QByteArray &bytes)
{
    m_outputTaken = 0;
    if (!m_port.isOpen()) {
        if (!m_lost)
            m_errorString = tr("The port is not open.");
        return false;
    }
    // flush() reports false when it had nothing to write.
    if (bytes.isEmpty())
        return true;
    if (m_stallLimitMs > 0 && !waitForRoom())
        return false;
    if (m_port.write(bytes) != bytes.size()) {
        loseDevice(systemReason(m_port.errorString()));
        return false;
    }
    // False also when the line is full: the rest waits for the line's room.
    m_port.flush();
    if (m_stallLimitMs == 0 && isUsable() && m_port.bytesToWrite() > OutputBufferSize)
        loseDevice(tr("more than %1 bytes wait for the line").arg(OutputBufferSize));
    const bool sent = m_stallLimitMs > 0 ? waitForLine() : isUsable();
    // What was still unsent is the newest bytes, this frame's tail first.
    m_outputTaken = bytes.size() - (sent ? 0 : std::min<qint64>(bytes.size(), m_unsentAtLoss));
    if (!sent && m_outputTaken > 0)
        m_errorString += tr("; the last frame was cut: only %1 of its %2 bytes went out").arg(m_outputTaken).arg(bytes.size());
    return sent;
}

// A frame begun on a full line may be left cut in half; where the line tells
// that it is full, the frame waits for room before its first byte, and is
// not begun at all when none comes.
bool SerialPortControl::waitForRoom()
{
    for (QDeadlineTimer stall(m_stallLimitMs); isUsable() && LineQueue::full(m_port);) {
        if (stall.hasExpired()) {
            stopForStall();
            return false;
        }
        if (LineQueue::waitWritable(m_port, int(stall.remainingTime())) == LineQueue::Readiness::HungUp) {
            loseDevice(tr("the line hung up"));
            return false;
        }
    }
    return m_port.isOpen();
}

bool SerialPortControl::drain()
{
    if (!waitForLine())
        return false;
    QDeadlineTimer stall(m_stallLimitMs);
    int before = -1;
    while (isUsable()) {
        const LineQueue::Queued queued = LineQueue::queued(m_port);
        if (!queued.lostBecause.isEmpty())
            loseDevice(queued.lostBecause);
        if (queued.bytes <= 0)
            break;
        if (queued.bytes != before)
            stall.setRemainingTime(m_stallLimitMs);
        before = queued.bytes;
        if (stall.hasExpired()) {
            stopForStall();
            break;
        }
        if (LineQueue::pauseUnlessHungUp(m_port, DrainCheckIntervalMs))
            loseDevice(tr("the line hung up"));
    }
    return m_port.isOpen();
}

int SerialPortControl::inBufferCount()
{
    pullFromDevice();
    return int(m_port.bytesAvailable());
}

QByteArray SerialPortControl::input()
{
    pullFromDevice();
    if (!m_port.isOpen())
        return QByteArray();
    return m_port.readAll();
}

QString SerialPortControl::errorString() const
{
    return m_errorString;
}

bool SerialPortControl::open()
{
    m_lost = false;
    m_pendingLoss.clear();
    const QString device = m_device.isEmpty() ? portDevicePath(m_commPort, m_programDir) : deviceBehind(m_device);
    if (device.isEmpty()) {
        m_errorString = tr("Port %1 names no device.").arg(m_commPort);
        return false;
    }
    const QString where = m_device.isEmpty() ? tr("Port %1 (%2)").arg(m_commPort).arg(device) : device;
    // Before the open these only record the values; open() applies them and
    // fails when the device refuses one.
    m_port.setPortName(device);
    if (!m_port.setBaudRate(m_lineSettings.baudRate) || !m_port.setParity(m_lineSettings.parity)
        || !m_port.setDataBits(m_lineSettings.dataBits) || !m_port.setStopBits(m_lineSettings.stopBits)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl) || !m_port.open(QIODevice::ReadWrite)) {
        m_errorString = tr("%1: %2").arg(where, systemReason(m_port.errorString()));
        m_permissionRefused = m_port.error() == QSerialPort::PermissionError;
        return false;
    }
    // A new connection starts empty: whatever reached the line before is not
    // an answer to anything this connection sends.
    const QString notCleared = LineQueue::discardInput(m_port);
    if (!notCleared.isEmpty()) {
        m_errorString = tr("%1: %2").arg(where, notCleared);
        m_port.close();
        return false;
    }
    ++m_connection;
    return true;
}

void SerialPortControl::pullFromDevice()
{
    // The event loop may not have run since the bytes came; a zero wait takes
    // what the system holds without blocking.
    if (m_port.isOpen())
        m_port.waitForReadyRead(0);
    isUsable();
}

void SerialPortControl::onReadyRead()
{
    if (m_port.bytesAvailable() >= InputBufferSize && !m_hangUpWatch.isActive())
        m_hangUpWatch.start();
}

void SerialPortControl::onError(QSerialPort::SerialPortError error)
{
    // Errors raised inside open() are the open's failure. A timeout only means
    // that a zero wait found nothing.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen())
        return;
    // A full line refuses a write with the same error as a hung-up one.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::WriteError) && LineQueue::full(m_port))
        return;
    // What a hung-up line makes the system say ("Inappropriate ioctl for
    // device") names no cause a user would know.
    const QString reason = LineQueue::hungUp(m_port) ? tr("the line hung up") : systemReason(m_port.errorString());
    // Closing the port here, inside QSerialPort's own notification, would
    // delete what its wait for a write or for input goes on using on
    // Windows (a crash on the next wait). The port is closed once QSerialPort
    // has returned: by whoever waits, at its next look, else from the event
    // loop.
    if (!m_pendingLoss.isEmpty())
        return;
    m_pendingLoss = reason;
    const quint64 connection = m_connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
            if (connection == m_connection)
                isUsable();
        },
        Qt::QueuedConnection);
}

bool SerialPortControl::isUsable()
{
    if (!m_pendingLoss.isEmpty())
        loseDevice(m_pendingLoss);
    return m_port.isOpen();
}

void SerialPortControl::checkForHangUp()
{
    if (!m_port.isOpen() || m_port.bytesAvailable() < InputBufferSize) {
        m_hangUpWatch.stop();
        return;
    }
    if (LineQueue::hungUp(m_port))
        loseDevice(tr("the line hung up"));
}

// Every byte taken starts the stall limit afresh: a slow line is no lost one.
bool SerialPortControl::waitForLine()
{
    QDeadlineTimer stall(m_stallLimitMs);
    while (isUsable() && m_port.bytesToWrite() > 0) {
        if (stall.hasExpired()) {
            stopForStall();
            break;
        }
        const LineQueue::Readiness line = LineQueue::waitWritable(m_port, int(stall.remainingTime()));
        if (line == LineQueue::Readiness::Waiting)
            continue;
        if (line == LineQueue::Readiness::HungUp) {
            loseDevice(tr("the line hung up"));
            break;
        }
        const qint64 waiting = m_port.bytesToWrite();
        m_port.flush();
        if (m_port.bytesToWrite() < waiting)
            stall.setRemainingTime(m_stallLimitMs);
    }
    return isUsable();
}

void SerialPortControl::loseDevice(const QString &reason)
{
    // The first cause the port told is the one said.
    const QString cause = m_pendingLoss.isEmpty() ? reason : std::exchange(m_pendingLoss, QString());
    closeAsLost(tr("The device %1 was lost: %2").arg(m_port.portName(), cause));
}

void SerialPortControl::stopForStall()
{
    closeAsLost(tr("The line of %1 stopped taking bytes: none went out for %2 s")
                    .arg(m_port.portName())
                    .arg(m_stallLimitMs / 1000.0));
}

void SerialPortControl::closeAsLost(const QString &message)
{
    if (!m_port.isOpen())
        return;
    m_errorString = message;
    m_lost = true;
    m_unsentAtLoss = m_port.bytesToWrite();
    m_hangUpWatch.stop();
    m_port.close();
    // Queued, so that whoever answers the loss (typically with a modal message)
    // does not run inside QSerialPort's own notification.
    const quint64 connection = m_connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
            if (connection == m_connection)
                emit portLost();
        },
        Qt::QueuedConnection);
}

#include "SerialPortControl.h"

#include "LineQueue.h"
#include "PortName.h"
#include "SystemReason.h"
#include "VirtualPort.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <utility>

namespace {
constexpr int HangUpWatchIntervalMs = 100;
// How often drain() looks at the system's queue: two bytes' time at 9600
// baud, so that a command following a drained one leaves hardly a gap.
constexpr int DrainCheckIntervalMs = 2;

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
    return m_line->isOpen();
}

bool SerialPortControl::setPortOpen(bool open)
{
    if (open == m_line->isOpen())
        return true;
    if (!open) {
        closeLine();
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
    if (!m_line->isOpen()) {
        if (!m_lost)
            m_errorString = tr("The port is not open.");
        return false;
    }
    // flush() reports false when it had nothing to write.
    if (bytes.isEmpty())
        return true;
    if (m_stallLimitMs > 0 && !waitForRoom())
        return false;
    if (m_line->write(bytes) != bytes.size()) {
        loseDevice(systemReason(m_line->errorString()));
        return false;
    }
    pushOut();
    if (m_stallLimitMs == 0 && isUsable() && m_line->bytesToWrite() > OutputBufferSize)
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
    for (QDeadlineTimer stall(m_stallLimitMs); isUsable() && LineQueue::full(*m_line);) {
        if (stall.hasExpired()) {
            stopForStall();
            return false;
        }
        if (LineQueue::waitWritable(*m_line, int(stall.remainingTime())) == LineQueue::Readiness::HungUp) {
            loseDevice(hangUpReason());
            return false;
        }
    }
    return m_line->isOpen();
}

bool SerialPortControl::drain()
{
    if (!waitForLine())
        return false;
    QDeadlineTimer stall(m_stallLimitMs);
    int before = -1;
    while (isUsable()) {
        const LineQueue::Queued queued = LineQueue::queued(*m_line);
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
        if (LineQueue::pauseUnlessHungUp(*m_line, DrainCheckIntervalMs))
            loseDevice(hangUpReason());
    }
    return m_line->isOpen();
}

int SerialPortControl::inBufferCount()
{
    pullFromDevice();
    return int(m_line->bytesAvailable());
}

QByteArray SerialPortControl::input()
{
    pullFromDevice();
    if (!m_line->isOpen())
        return QByteArray();
    return m_line->readAll();
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
    m_permissionRefused = false;
    if (VirtualPort::isPipe(device))
        return openPipe(device, where);
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
    m_line = &m_port;
    m_lineName = device;
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

// A virtual module's line has no line settings, and its module may not tell
// what it holds apart from what comes after: it starts empty.
bool SerialPortControl::openPipe(const QString &pipe, const QString &where)
{
    VirtualPort::Connection connection = VirtualPort::open(pipe);
    if (!connection.line) {
        m_errorString = tr("%1: %2").arg(where, connection.error);
        m_permissionRefused = connection.held;
        return false;
    }
    m_pipe = std::move(connection.line);
    m_line = m_pipe.get();
    m_lineName = pipe;
    connect(m_pipe.get(), &QIODevice::readyRead, this, &SerialPortControl::onReadyRead);
    connect(m_pipe.get(), &QIODevice::readChannelFinished, this, [this] { noteLoss(m_line->errorString()); });
    ++m_connection;
    return true;
}

void SerialPortControl::closeLine()
{
    m_hangUpWatch.stop();
    m_line->close();
    m_line = &m_port;
    // Deleted later: its own notification may be what ended the line.
    if (m_pipe)
        m_pipe.release()->deleteLater();
}

void SerialPortControl::pullFromDevice()
{
    // The event loop may not have run since the bytes came; a zero wait takes
    // what the system holds without blocking.
    if (m_line->isOpen())
        m_line->waitForReadyRead(0);
    isUsable();
}

void SerialPortControl::onReadyRead()
{
    if (m_line->bytesAvailable() >= InputBufferSize && !m_hangUpWatch.isActive())
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
    noteLoss(LineQueue::hungUp(m_port) ? hangUpReason() : systemReason(m_port.errorString()));
}

void SerialPortControl::noteLoss(const QString &reason)
{
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
    return m_line->isOpen();
}

// A pipe says why its module went; a tty's hang-up has no better words.
QString SerialPortControl::hangUpReason() const
{
    return m_line == &m_port ? tr("the line hung up") : systemReason(m_line->errorString());
}

// QSerialPort writes only on its event loop's turn or when told to.
void SerialPortControl::pushOut()
{
    if (m_line == &m_port)
        m_port.flush();
}

void SerialPortControl::checkForHangUp()
{
    if (!m_line->isOpen() || m_line->bytesAvailable() < InputBufferSize) {
        m_hangUpWatch.stop();
        return;
    }
    if (LineQueue::hungUp(*m_line))
        loseDevice(hangUpReason());
}

// Every byte taken starts the stall limit afresh: a slow line is no lost one.
bool SerialPortControl::waitForLine()
{
    QDeadlineTimer stall(m_stallLimitMs);
    while (isUsable() && m_line->bytesToWrite() > 0) {
        if (stall.hasExpired()) {
            stopForStall();
            break;
        }
        // Counted before the wait, which itself completes writes on Windows.
        const qint64 waiting = m_line->bytesToWrite();
        const LineQueue::Readiness line = LineQueue::waitWritable(*m_line, int(stall.remainingTime()));
        if (line == LineQueue::Readiness::Waiting)
            continue;
        if (line == LineQueue::Readiness::HungUp) {
            loseDevice(hangUpReason());
            break;
        }
        pushOut();
        if (m_line->bytesToWrite() < waiting)
            stall.setRemainingTime(m_stallLimitMs);
    }
    return isUsable();
}

void SerialPortControl::loseDevice(const QString &reason)
{
    // The first cause the port told is the one said.
    const QString cause = m_pendingLoss.isEmpty() ? reason : std::exchange(m_pendingLoss, QString());
    closeAsLost(tr("The device %1 was lost: %2").arg(m_lineName, cause));
}

void SerialPortControl::stopForStall()
{
    closeAsLost(tr("The line of %1 stopped taking bytes: none went out for %2 s")
                    .arg(m_lineName)
                    .arg(m_stallLimitMs / 1000.0));
}

void SerialPortControl::closeAsLost(const QString &message)
{
    if (!m_line->isOpen())
        return;
    m_errorString = message;
    m_lost = true;
    m_unsentAtLoss = m_line->bytesToWrite();
    closeLine();
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

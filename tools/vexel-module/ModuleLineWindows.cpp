#include "ModuleLine.h"

#include <QSerialPort>

ModuleLine::ModuleLine(QObject *parent)
    : QObject(parent)
{
}

ModuleLine::~ModuleLine() = default;

bool ModuleLine::openPseudoTerminal()
{
    m_error = QStringLiteral("Windows has no pseudo-terminals: give one end of a null-modem pair with --device COMn "
                             "and let the control panel open the other end");
    return false;
}

bool ModuleLine::openDevice(const QString &path)
{
    m_serial = new QSerialPort(path, this);
    if (!m_serial->setBaudRate(QSerialPort::Baud9600) || !m_serial->setDataBits(QSerialPort::Data8)
        || !m_serial->setParity(QSerialPort::NoParity) || !m_serial->setStopBits(QSerialPort::OneStop)
        || !m_serial->setFlowControl(QSerialPort::NoFlowControl) || !m_serial->open(QIODevice::ReadWrite)) {
        m_error = QStringLiteral("cannot open %1: %2").arg(path, m_serial->errorString());
        return false;
    }
    m_slavePath = path;
    m_peerOpen = true;
    connect(m_serial, &QSerialPort::readyRead, this, &ModuleLine::readPending);
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A COM port fails for good only when its device goes (an adapter unplugged).
        if (error != QSerialPort::ResourceError || !m_peerOpen)
            return;
        m_error = m_serial->errorString();
        m_serial->close();
        m_peerOpen = false;
        emit peerChanged(false);
    });
    return true;
}

bool ModuleLine::write(const QByteArray &bytes)
{
    if (!m_serial || !m_serial->isOpen()) {
        m_error = QStringLiteral("line closed");
        return false;
    }
    if (m_serial->write(bytes) != bytes.size()) {
        m_error = QStringLiteral("write failed: ") + m_serial->errorString();
        return false;
    }
    return true;
}

bool ModuleLine::readPending()
{
    const QByteArray bytes = m_serial && m_serial->isOpen() ? m_serial->readAll() : QByteArray();
    if (!bytes.isEmpty())
        emit received(bytes);
    return !bytes.isEmpty();
}

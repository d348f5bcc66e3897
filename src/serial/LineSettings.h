#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// The line settings text "baud,parity,data bits,stop bits", e.g. "9600,n,8,1".
// Parity is one of n e o m s (none, even, odd, mark, space); data bits 5 to 8;
// stop bits 1, 1.5 or 2. Letters may be in either case and blanks may surround
// each field; anything else makes the text invalid.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    static std::optional<LineSettings> parse(const QString &text);
};

#include "LineSettings.h"

#include <QStringList>

namespace {

std::optional<qint32> parseBaudRate(const QString &field)
{
    // toInt() would also take a sign or a "0x" prefix; a baud rate is plain digits.
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint32 rate = field.toInt(&ok);
    if (!ok || rate <= 0)
        return std::nullopt;
    return rate;
}

std::optional<QSerialPort::Parity> parseParity(const QString &field)
{
    if (field == QLatin1String("n"))
        return QSerialPort::NoParity;
    if (field == QLatin1String("e"))
        return QSerialPort::EvenParity;
    if (field == QLatin1String("o"))
        return QSerialPort::OddParity;
    if (field == QLatin1String("m"))
        return QSerialPort::MarkParity;
    if (field == QLatin1String("s"))
        return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::DataBits> parseDataBits(const QString &field)
{
    if (field == QLatin1String("5"))
        return QSerialPort::Data5;
    if (field == QLatin1String("6"))
        return QSerialPort::Data6;
    if (field == QLatin1String("7"))
        return QSerialPort::Data7;
    if (field == QLatin1String("8"))
        return QSerialPort::Data8;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> parseStopBits(const QString &field)
{
    if (field == QLatin1String("1"))
        return QSerialPort::OneStop;
    if (field == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    if (field == QLatin1String("2"))
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    QStringList fields = text.toLower().split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    for (QString &field : fields)
        field = field.trimmed();

    const auto baudRate = parseBaudRate(fields[0]);
    const auto parity = parseParity(fields[1]);
    const auto dataBits = parseDataBits(fields[2]);
    const auto stopBits = parseStopBits(fields[3]);
    if (!baudRate || !parity || !dataBits || !stopBits)
        return std::nullopt;
    return LineSettings{*baudRate, *parity, *dataBits, *stopBits};
}

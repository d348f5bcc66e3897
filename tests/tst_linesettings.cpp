#include "LineSettings.h"

#include <QtTest>

class TestLineSettings : public QObject
{
    Q_OBJECT
private slots:
    void goodText_data();
    void goodText();
    void badText_data();
    void badText();
};

void TestLineSettings::goodText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("baudRate");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");

    QTest::newRow("the module's line") << "9600,n,8,1" << 9600 << QSerialPort::NoParity << QSerialPort::Data8 << QSerialPort::OneStop;
    QTest::newRow("upper-case parity") << "9600,N,8,1" << 9600 << QSerialPort::NoParity << QSerialPort::Data8 << QSerialPort::OneStop;
    QTest::newRow("blanks around fields") << "  19200 , e ,7,\t2 " << 19200 << QSerialPort::EvenParity << QSerialPort::Data7 << QSerialPort::TwoStop;
    QTest::newRow("odd, five bits, one and a half") << "110,O,5,1.5" << 110 << QSerialPort::OddParity << QSerialPort::Data5 << QSerialPort::OneAndHalfStop;
    QTest::newRow("mark parity") << "300,m,6,1" << 300 << QSerialPort::MarkParity << QSerialPort::Data6 << QSerialPort::OneStop;
    QTest::newRow("space parity") << "115200,S,8,2" << 115200 << QSerialPort::SpaceParity << QSerialPort::Data8 << QSerialPort::TwoStop;
    QTest::newRow("rate outside the usual list") << "12345,n,8,1" << 12345 << QSerialPort::NoParity << QSerialPort::Data8 << QSerialPort::OneStop;
}

void TestLineSettings::goodText()
{
    QFETCH(QString, text);
    const std::optional<LineSettings> settings = LineSettings::parse(text);
    QVERIFY(settings);
    QTEST(settings->baudRate, "baudRate");
    QTEST(settings->parity, "parity");
    QTEST(settings->dataBits, "dataBits");
    QTEST(settings->stopBits, "stopBits");
}

void TestLineSettings::badText_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("only blanks") << "   ";
    QTest::newRow("three fields") << "9600,n,8";
    QTest::newRow("five fields") << "9600,n,8,1,0";
    QTest::newRow("trailing comma") << "9600,n,8,1,";
    QTest::newRow("semicolons") << "9600;n;8;1";
    QTest::newRow("empty baud rate") << ",n,8,1";
    QTest::newRow("baud rate zero") << "0,n,8,1";
    QTest::newRow("negative baud rate") << "-9600,n,8,1";
    QTest::newRow("signed baud rate") << "+9600,n,8,1";
    QTest::newRow("hexadecimal baud rate") << "0x2580,n,8,1";
    QTest::newRow("blank inside baud rate") << "96 00,n,8,1";
    QTest::newRow("baud rate beyond 32 bits") << "99999999999,n,8,1";
    QTest::newRow("empty parity") << "9600,,8,1";
    QTest::newRow("unknown parity") << "9600,x,8,1";
    QTest::newRow("parity spelt out") << "9600,none,8,1";
    QTest::newRow("four data bits") << "9600,n,4,1";
    QTest::newRow("nine data bits") << "9600,n,9,1";
    QTest::newRow("three stop bits") << "9600,n,8,3";
    QTest::newRow("zero stop bits") << "9600,n,8,0";
    QTest::newRow("stop bits 1.0") << "9600,n,8,1.0";
    QTest::newRow("stop bits with a comma decimal") << "9600,n,8,1,5";
}

void TestLineSettings::badText()
{
    QFETCH(QString, text);
    QVERIFY(!LineSettings::parse(text));
}

QTEST_APPLESS_MAIN(TestLineSettings)
#include "tst_linesettings.moc"

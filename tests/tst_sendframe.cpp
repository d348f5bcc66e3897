#include "FrameSender.h"
#include "PtyPair.h"
#include "SerialPortControl.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Frames leave the real port over a pseudo-terminal exactly as the buffer
// holds them, and the monitor shows exactly those bytes.
class SendFrameTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendsBytesAndEchoes_data();
    void sendsBytesAndEchoes();
    void fullBufferLeavesInIndexOrder();
    void secondFrameReplacesMonitor();
    void bytesBehindTheCountStayHome();
    void countOutsideBufferSendsNothing();
    void lostPortStopsTheFrame();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PtyPair> m_line;
    std::unique_ptr<SerialPortControl> m_port;
    std::unique_ptr<FrameSender> m_sender;
};

void SendFrameTest::init()
{
    m_line = std::make_unique<PtyPair>();
    QVERIFY2(m_line->isValid(), qPrintable(m_line->errorString()));
    QFile::remove(m_folder.filePath("COM1"));
    QVERIFY(QFile::link(m_line->slavePath(), m_folder.filePath("COM1")));
    m_port = std::make_unique<SerialPortControl>(m_folder.path());
    m_port->setCommPort(1);
    QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
    m_sender = std::make_unique<FrameSender>(*m_port);
}

void SendFrameTest::cleanup()
{
    m_sender.reset();
    m_port.reset();
    m_line.reset();
}

void SendFrameTest::sendsBytesAndEchoes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("monitor");
    QTest::newRow("nothing") << QByteArray() << QString();
    QTest::newRow("one opcode") << QByteArray("\xFD") << "FD ";
    QTest::newRow("zero is sent, not dropped") << QByteArray(1, '\0') << "00 ";
    QTest::newRow("below sixteen gets a leading zero") << QByteArray("\x0F") << "0F ";
    QTest::newRow("sixteen") << QByteArray("\x10") << "10 ";
    QTest::newRow("top byte") << QByteArray("\xFF") << "FF ";
    QTest::newRow("start-up frame") << QByteArray("\xF7\x1B") << "F7 1B ";
    QTest::newRow("ten bytes")
        << QByteArray("\xF9\x09\x10\x00\x00\x00\x00\x00\x00\xAA", 10)
        << "F9 09 10 00 00 00 00 00 00 AA ";
}

void SendFrameTest::sendsBytesAndEchoes()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, monitor);
    m_sender->txBuffer().fill(0x55); // leftovers that must not leak out
    std::copy(frame.begin(), frame.end(), m_sender->txBuffer().begin());
    m_sender->appendToMonitor("old");

    QVERIFY(m_sender->SendFrame(frame.size()));
    QCOMPARE(m_sender->monitorText(), monitor);
    QCOMPARE(m_line->read(frame.size() + 1, 300), frame);
}

void SendFrameTest::fullBufferLeavesInIndexOrder()
{
    QByteArray expected;
    QString monitor;
    for (int i = 0; i < 71; ++i) {
        const quint8 value = quint8(255 - 3 * i);
        m_sender->txBuffer()[std::size_t(i)] = value;
        expected.append(char(value));
        monitor += QStringLiteral("%1 ").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    }
    QVERIFY(m_sender->SendFrame(71));
    QCOMPARE(m_line->read(72, 500), expected);
    QCOMPARE(m_sender->monitorText(), monitor);
}

void SendFrameTest::secondFrameReplacesMonitor()
{
    QSignalSpy changes(m_sender.get(), &FrameSender::monitorTextChanged);
    m_sender->txBuffer()[0] = 0xFA;
    m_sender->txBuffer()[1] = 0x29;
    QVERIFY(m_sender->SendFrame(2));
    m_sender->txBuffer()[0] = 0xF8;
    m_sender->txBuffer()[2] = 0x01;
    QVERIFY(m_sender->SendFrame(3));
    QCOMPARE(m_line->read(6, 300), QByteArray("\xFA\x29\xF8\x29\x01"));
    QCOMPARE(m_sender->monitorText(), "F8 29 01 ");
    QCOMPARE(changes.last().first().toString(), "F8 29 01 ");
}

void SendFrameTest::bytesBehindTheCountStayHome()
{
    m_sender->txBuffer().fill(0xEE);
    m_sender->txBuffer()[0] = 0xFD;
    QVERIFY(m_sender->SendFrame(1));
    QCOMPARE(m_line->read(2, 300), QByteArray("\xFD"));
}

void SendFrameTest::countOutsideBufferSendsNothing()
{
    m_sender->appendToMonitor("kept");
    QVERIFY(!m_sender->SendFrame(-1));
    QVERIFY(!m_sender->SendFrame(72));
    QCOMPARE(m_sender->monitorText(), "kept");
    QCOMPARE(m_line->read(1, 100), QByteArray());
}

void SendFrameTest::lostPortStopsTheFrame()
{
    m_line->closeMaster();
    m_sender->txBuffer()[0] = 0xF9;
    QVERIFY(!m_sender->SendFrame(10));
    QVERIFY(!m_port->portOpen());
    QVERIFY(m_sender->monitorText().size() < 30);
}

QTEST_GUILESS_MAIN(SendFrameTest)
#include "tst_sendframe.moc"

#include "FrameSender.h"
#include "ProcessFigures.h"
#include "PtyPair.h"
#include "SerialPortControl.h"
#include "TimerWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>

namespace {

QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

// A program folder whose COM1 leads to a pseudo-terminal, and the port
// control over it.
struct Line
{
    PtyPair pty;
    QTemporaryDir folder;
    SerialPortControl port{folder.path()};
    QSignalSpy lost{&port, &PortControl::portLost};

    Line()
    {
        QFile::link(pty.slavePath(), folder.filePath("COM1"));
    }
    bool open() { return port.setPortOpen(true); }
    termios settings() const
    {
        termios line{};
        tcgetattr(pty.slaveFd(), &line);
        return line;
    }
};

} // namespace

// The port layer over a real pseudo-terminal, the frames sent through it,
// and the wait of the storing commands.
class SerialTest : public QObject
{
    Q_OBJECT
private slots:
    void everyByteArrivesAsWritten();
    void receivedBytesAreCountedAndTaken_data();
    void receivedBytesAreCountedAndTaken();
    void floodIsHeldBackNotLost();
    void lossIsNoticedAndToldOnce_data();
    void lossIsNoticedAndToldOnce();
    void settingsReachTheLine_data();
    void settingsReachTheLine();
    void propertiesRefuseAndDefer();
    void sendFrame_data();
    void sendFrame();
    void timerWait();
};

void SerialTest::everyByteArrivesAsWritten()
{
    Line line;
    QVERIFY2(line.open(), qPrintable(line.port.errorString()));
    // No event loop runs here: what arrives was put on the line by output().
    const QByteArray all = everyByteValue();
    for (char byte : all.left(128))
        QVERIFY(line.port.output(QByteArray(1, byte)));
    QVERIFY(line.port.output(QByteArray()));
    QVERIFY(line.port.output(all.mid(128)));
    QCOMPARE(line.pty.read(256, 5000), all);
    QCOMPARE(line.pty.read(1, 100), QByteArray());
}

void SerialTest::receivedBytesAreCountedAndTaken_data()
{
    QTest::addColumn<QList<QByteArray>>("bursts");
    QTest::newRow("nothing received") << QList<QByteArray>{};
    QTest::newRow("the acknowledgement byte") << QList<QByteArray>{QByteArray(1, char(0xAA))};
    QTest::newRow("two bursts add up") << QList<QByteArray>{QByteArray("\x00\x7F", 2), QByteArray("\x80\xFF", 2)};
    QTest::newRow("exactly a full buffer") << QList<QByteArray>{everyByteValue().repeated(4)};
}

void SerialTest::receivedBytesAreCountedAndTaken()
{
    QFETCH(QList<QByteArray>, bursts);
    Line line;
    QVERIFY(line.open());
    QByteArray sent;
    for (const QByteArray &burst : bursts) {
        QVERIFY(line.pty.write(burst));
        sent += burst;
        QVERIFY(line.pty.waitUntilQueued(int(sent.size()), 2000));
    }
    // Counted without the event loop having had a chance to read anything.
    QCOMPARE(line.port.inBufferCount(), int(sent.size()));
    QCOMPARE(line.port.inBufferCount(), int(sent.size()));
    QCOMPARE(line.port.input(), sent);
    QCOMPARE(line.port.inBufferCount(), 0);
    QCOMPARE(line.port.input(), QByteArray());
}

void SerialTest::floodIsHeldBackNotLost()
{
    Line line;
    QVERIFY(line.open());
    QByteArray sent;
    for (int i = 0; i < 3000; ++i)
        sent.append(char(i * 7 + i / 256));
    QVERIFY(line.pty.write(sent));
    QVERIFY(line.pty.waitUntilQueued(int(sent.size()), 2000));
    QByteArray taken;
    while (taken.size() < sent.size()) {
        QTest::qWait(20);
        const int count = line.port.inBufferCount();
        QCOMPARE(count, int(qMin<qsizetype>(SerialPortControl::InputBufferSize, sent.size() - taken.size())));
        taken += line.port.input();
    }
    QCOMPARE(taken, sent);
}

void SerialTest::lossIsNoticedAndToldOnce_data()
{
    QTest::addColumn<QString>("noticedBy");
    QTest::addColumn<int>("reports");
    QTest::newRow("the event loop") << "event loop" << 1;
    QTest::newRow("counting the input") << "inBufferCount" << 1;
    QTest::newRow("reading the input") << "input" << 1;
    QTest::newRow("writing a byte") << "output" << 1;
    QTest::newRow("nobody: the user closes the port first") << "closing" << 0;
    QTest::newRow("nobody: another port opened meanwhile") << "reopening" << 0;
}

void SerialTest::lossIsNoticedAndToldOnce()
{
    QFETCH(QString, noticedBy);
    QFETCH(int, reports);
    Line line;
    PtyPair second;
    QFile::link(second.slavePath(), line.folder.filePath("COM4"));
    QVERIFY(line.open());
    bool openWhenReported = false;
    connect(&line.port, &PortControl::portLost, this, [&] { openWhenReported = line.port.portOpen(); });
    line.pty.closeMaster();
    if (noticedBy == "inBufferCount")
        QCOMPARE(line.port.inBufferCount(), 0);
    else if (noticedBy == "input")
        QCOMPARE(line.port.input(), QByteArray());
    else if (noticedBy == "output")
        QVERIFY(!line.port.output("\xF7"));
    else if (noticedBy == "closing")
        QVERIFY(line.port.setPortOpen(false));
    else if (noticedBy == "reopening")
        QVERIFY(line.port.inBufferCount() == 0 && line.port.setCommPort(4) && line.open());
    if (noticedBy != "event loop" && noticedBy != "closing" && noticedBy != "reopening")
        QVERIFY(!line.port.portOpen()); // at once, not when the event loop comes round
    QTRY_COMPARE(line.lost.count(), reports);
    QTest::qWait(100);
    QCOMPARE(line.lost.count(), reports);
    QVERIFY(!openWhenReported);
    QCOMPARE(line.port.portOpen(), noticedBy == "reopening");
    if (noticedBy != "reopening")
        QVERIFY(!line.port.output("\xF7") && !line.port.errorString().isEmpty() && line.port.inBufferCount() == 0);
}

// A pty keeps the speed, the stop bits and the kind of parity it is given but
// always reports 8 data bits and parity checking off, so those two cannot be
// seen from here.
void SerialTest::settingsReachTheLine_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("flags");
    QTest::newRow("defaults") << QStringList{} << "9600,n,8,1" << int(B9600) << 0;
    QTest::newRow("even parity, 2 stop bits") << QStringList{"19200,E,7,2"} << "19200,E,7,2" << int(B19200) << int(CSTOPB);
    QTest::newRow("odd parity") << QStringList{"1200,o,8,1"} << "1200,o,8,1" << int(B1200) << int(PARODD);
    QTest::newRow("mark parity") << QStringList{"38400,m,8,1"} << "38400,m,8,1" << int(B38400) << int(CMSPAR | PARODD);
    QTest::newRow("space parity") << QStringList{"57600,s,8,2"} << "57600,s,8,2" << int(B57600) << int(CMSPAR | CSTOPB);
    QTest::newRow("refused text keeps the one before") << QStringList{"4800,n,8,2", "9600,x,8,1"} << "4800,n,8,2"
                                                       << int(B4800) << int(CSTOPB);
}

void SerialTest::settingsReachTheLine()
{
    QFETCH(QStringList, texts);
    QFETCH(int, flags);
    Line line;
    for (const QString &text : texts)
        line.port.setSettings(text);
    QTEST(line.port.settings(), "settings");
    QVERIFY(line.open());
    const termios settings = line.settings();
    QTEST(int(cfgetospeed(&settings)), "speed");
    QTEST(int(cfgetispeed(&settings)), "speed");
    QCOMPARE(int(settings.c_cflag & (CMSPAR | PARODD | CSTOPB)), flags);
}

// Refused values change nothing; a port number given while open counts at
// the next open; a closed port carries nothing either way.
void SerialTest::propertiesRefuseAndDefer()
{
    Line line;
    PtyPair second;
    QFile::link(second.slavePath(), line.folder.filePath("COM4"));
    QVERIFY(line.pty.write("z") && line.pty.waitUntilQueued(1, 2000));
    QVERIFY(!line.port.output("a") && !line.port.errorString().isEmpty());
    QCOMPARE(line.port.inBufferCount(), 0);
    QCOMPARE(line.port.input(), QByteArray());
    QCOMPARE(line.pty.read(1, 100), QByteArray());
    QVERIFY(line.open() && line.port.setInputMode(1));
    QVERIFY(!line.port.setCommPort(-1));
    QVERIFY(!line.port.setInputMode(2));
    QVERIFY(!line.port.setInputMode(-1));
    QVERIFY(!line.port.setSettings("9600,n,8"));
    QCOMPARE(QStringLiteral("%1 %2 %3").arg(line.port.commPort()).arg(line.port.inputMode()).arg(line.port.settings()),
             "1 1 9600,n,8,1");
    QVERIFY(line.port.setCommPort(4));
    QVERIFY(line.port.portOpen() && line.port.setPortOpen(true));
    QVERIFY(line.port.output("k"));
    QCOMPARE(line.pty.read(1, 2000), QByteArray("k"));
    QVERIFY(line.port.setPortOpen(false) && line.port.setPortOpen(false) && line.open());
    QVERIFY(line.port.output("b"));
    QCOMPARE(second.read(1, 2000), QByteArray("b"));
    QCOMPARE(line.lost.count(), 0);
}

// In: the count, then the buffer's first bytes (the rest is 0x55, leftovers
// that must stay home); "lost" sends on a hung-up line. Out: what
// SendFrame said, what the line took, the monitor (it held "old").
void SerialTest::sendFrame_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QByteArray all;
    for (int i = 0; i < 71; ++i)
        all += char(255 - 3 * i);
    const QString whole = QString::fromLatin1(all.toHex(' ').toUpper());
    QTest::newRow("nothing") << "0" << "true||";
    QTest::newRow("a zero is sent, not dropped") << "1 00" << "true|00|00 ";
    QTest::newRow("start-up frame, leftovers stay home") << "2 F7 1B EE" << "true|F7 1B|F7 1B ";
    QTest::newRow("the whole buffer in index order") << "71 " + whole << "true|" + whole + "|" + whole + " ";
    QTest::newRow("count below the buffer") << "-1 FD" << "false||old";
    QTest::newRow("count beyond the buffer") << "72 FD" << "false||old";
    QTest::newRow("lost line: the frame stops there") << "lost F9 09" << "false||";
}

void SerialTest::sendFrame()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    Line line;
    QVERIFY(line.open());
    FrameSender sender(line.port);
    sender.txBuffer().fill(0x55);
    const QByteArray bytes = QByteArray::fromHex(in.section(' ', 1).toLatin1());
    std::copy(bytes.begin(), bytes.end(), sender.txBuffer().begin());
    sender.appendToMonitor("old");
    if (in.startsWith("lost"))
        line.pty.closeMaster();
    const bool sent = sender.SendFrame(in.startsWith("lost") ? 10 : in.section(' ', 0, 0).toInt());
    QCOMPARE(QStringLiteral("%1|%2|%3").arg(sent ? "true" : "false",
                                            QString::fromLatin1(line.pty.read(80, 200).toHex(' ').toUpper()),
                                            sender.monitorText()),
             out);
    QCOMPARE(line.port.portOpen(), !in.startsWith("lost"));
}

// One tick of a 100 ms timer, in an event loop that sleeps; an abandoned
// wait ends at once and no later one starts.
void SerialTest::timerWait()
{
    TimerWait wait;
    QCOMPARE(wait.timer().interval(), 100);
    bool activeInside = false;
    QTimer::singleShot(10, &wait, [&] { activeInside = wait.timer().isActive(); });
    QElapsedTimer clock;
    const qint64 cpuBefore = ProcessFigures::cpuMilliseconds();
    clock.start();
    QVERIFY(wait.wait());
    const qint64 elapsed = clock.elapsed();
    const qint64 cpu = ProcessFigures::cpuMilliseconds() - cpuBefore;
    QVERIFY2(elapsed >= 95 && elapsed <= 150, qPrintable(QString::number(elapsed)));
    QVERIFY2(cpu < 20, qPrintable(QStringLiteral("processor time %1 ms").arg(cpu)));
    QCOMPARE(wait.timerElapsed(), qint16(1));
    QVERIFY(activeInside && !wait.timer().isActive());
    bool innerResult = true;
    clock.restart();
    QTimer::singleShot(20, &wait, [&] {
        QTimer::singleShot(10, &wait, [&] { wait.abandon(); });
        innerResult = wait.wait();
    });
    QVERIFY(!wait.wait() && !innerResult);
    QVERIFY(clock.elapsed() < 90);
    QVERIFY(!wait.wait());
}

QTEST_GUILESS_MAIN(SerialTest)
#include "tst_serial.moc"

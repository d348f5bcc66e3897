#include "PtyPair.h"
#include "SerialPortControl.h"

#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

QList<QByteArray> pieces(const QByteArray &bytes, int size)
{
    QList<QByteArray> result;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        result.append(bytes.mid(at, size));
    return result;
}

qint64 processCpuMilliseconds()
{
    timespec time {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

bool makeEntry(const QTemporaryDir &folder, const QString &name, const QString &target)
{
    const QByteArray link = QFile::encodeName(QDir(folder.path()).filePath(name));
    return ::symlink(QFile::encodeName(target).constData(), link.constData()) == 0;
}

bool linkPort(const QTemporaryDir &folder, int number, const QString &target)
{
    return makeEntry(folder, QStringLiteral("COM%1").arg(number), target);
}

termios lineSettings(const PtyPair &pty)
{
    termios settings {};
    tcgetattr(pty.slaveFd(), &settings);
    return settings;
}

speed_t outputSpeed(const PtyPair &pty)
{
    const termios settings = lineSettings(pty);
    return cfgetospeed(&settings);
}

// Opens the device either as this program does, by a port number, or as
// another program that names the device directly.
class Opener
{
public:
    Opener(const QString &who, const QString &folder, const QString &device, const QString &settings)
    {
        if (who == QLatin1String("device")) {
            m_plain = std::make_unique<QSerialPort>(device);
            m_plain->setBaudRate(LineSettings::parse(settings)->baudRate);
        } else {
            m_control = std::make_unique<SerialPortControl>(folder);
            m_control->setCommPort(who.mid(3).toInt());
            m_control->setSettings(settings);
        }
    }
    bool open() { return m_control ? m_control->setPortOpen(true) : m_plain->open(QIODevice::ReadWrite); }
    void close()
    {
        if (m_control)
            m_control->setPortOpen(false);
        else
            m_plain->close();
    }
    bool write(const QByteArray &bytes)
    {
        if (m_control)
            return m_control->output(bytes);
        return m_plain->write(bytes) == bytes.size() && m_plain->flush();
    }
    QString errorString() const { return m_control ? m_control->errorString() : m_plain->errorString(); }

private:
    std::unique_ptr<SerialPortControl> m_control;
    std::unique_ptr<QSerialPort> m_plain;
};

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void everyByteValueArrives_data();
    void everyByteValueArrives();
    void receivedBytesAreCountedAndTaken_data();
    void receivedBytesAreCountedAndTaken();
    void floodIsHeldBackNotLost();
    void staleBytesAreDiscardedOnOpen_data();
    void staleBytesAreDiscardedOnOpen();
    void vanishedDeviceIsClosedOnce_data();
    void vanishedDeviceIsClosedOnce();
    void lossOfAnEarlierConnectionIsNotReported();
    void secondOpenerIsRefused_data();
    void secondOpenerIsRefused();
    void failedOpen_data();
    void failedOpen();
    void settingsAreApplied_data();
    void settingsAreApplied();
    void numberGivenWhileOpenTakesEffectAtNextOpen();
    void refusedValuesChangeNothing_data();
    void refusedValuesChangeNothing();
    void closedPortCarriesNothing();
};

#define OPEN_LINE(pty, folder, port)                                      \
    PtyPair pty;                                                          \
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));               \
    QTemporaryDir folder;                                                 \
    QVERIFY(folder.isValid());                                            \
    QVERIFY(linkPort(folder, 1, pty.slavePath()));                        \
    SerialPortControl port(folder.path());                                \
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()))

void TestSerialPort::everyByteValueArrives_data()
{
    QTest::addColumn<QList<QByteArray>>("outputs");

    const QByteArray all = everyByteValue();
    QTest::newRow("one output per byte, as frames are sent") << pieces(all, 1);
    QTest::newRow("all values in one output") << QList<QByteArray>{all};
    QTest::newRow("frame-sized outputs") << pieces(all, 10);
    QTest::newRow("an empty text between outputs") << QList<QByteArray>{all.left(128), QByteArray(), all.mid(128)};
}

void TestSerialPort::everyByteValueArrives()
{
    QFETCH(QList<QByteArray>, outputs);
    OPEN_LINE(pty, folder, port);

    // No event loop runs here: what arrives was put on the line by output().
    for (const QByteArray &bytes : outputs)
        QVERIFY(port.output(bytes));
    QCOMPARE(pty.read(256, 5000), everyByteValue());
    QCOMPARE(pty.read(1, 100), QByteArray());
    QVERIFY(port.portOpen());
}

void TestSerialPort::receivedBytesAreCountedAndTaken_data()
{
    QTest::addColumn<QList<QByteArray>>("bursts");

    QTest::newRow("nothing received") << QList<QByteArray>{};
    QTest::newRow("the acknowledgement byte") << QList<QByteArray>{QByteArray(1, char(0xAA))};
    QTest::newRow("every byte value") << QList<QByteArray>{everyByteValue()};
    QTest::newRow("two bursts add up") << QList<QByteArray>{QByteArray("\x00\x7F", 2), QByteArray("\x80\xFF", 2)};
    QTest::newRow("exactly a full buffer") << QList<QByteArray>{everyByteValue().repeated(4)};
}

void TestSerialPort::receivedBytesAreCountedAndTaken()
{
    QFETCH(QList<QByteArray>, bursts);
    OPEN_LINE(pty, folder, port);

    QByteArray sent;
    for (const QByteArray &burst : bursts) {
        QVERIFY(pty.write(burst));
        sent += burst;
        QVERIFY(pty.waitUntilQueued(int(sent.size()), 2000));
    }
    // Counted without the event loop having had a chance to read anything.
    QCOMPARE(port.inBufferCount(), int(sent.size()));
    QCOMPARE(port.inBufferCount(), int(sent.size()));
    QCOMPARE(port.input(), sent);
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(port.input(), QByteArray());
}

void TestSerialPort::floodIsHeldBackNotLost()
{
    OPEN_LINE(pty, folder, port);

    QByteArray sent;
    for (int i = 0; i < 3000; ++i)
        sent.append(char(i * 7 + i / 256));
    QVERIFY(pty.write(sent));
    QVERIFY(pty.waitUntilQueued(int(sent.size()), 2000));

    QByteArray taken;
    while (taken.size() < sent.size()) {
        QTest::qWait(20);
        const int count = port.inBufferCount();
        QCOMPARE(count, int(qMin<qsizetype>(SerialPortControl::InputBufferSize, sent.size() - taken.size())));
        const QByteArray chunk = port.input();
        QCOMPARE(chunk.size(), count);
        taken += chunk;
    }
    QCOMPARE(taken, sent);
}

void TestSerialPort::staleBytesAreDiscardedOnOpen_data()
{
    QTest::addColumn<bool>("earlierConnection");
    QTest::addColumn<bool>("eventLoopRan");

    QTest::newRow("sent before the first open") << false << false;
    QTest::newRow("left unread by the previous connection") << true << false;
    QTest::newRow("read in by the previous connection's event loop") << true << true;
}

void TestSerialPort::staleBytesAreDiscardedOnOpen()
{
    QFETCH(bool, earlierConnection);
    QFETCH(bool, eventLoopRan);
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    QTemporaryDir folder;
    QVERIFY(linkPort(folder, 1, pty.slavePath()));
    SerialPortControl port(folder.path());

    if (earlierConnection) {
        QVERIFY(port.setPortOpen(true));
        QVERIFY(pty.write("earlier"));
        QVERIFY(pty.waitUntilQueued(7, 2000));
        if (eventLoopRan)
            QTest::qWait(100);
        QVERIFY(port.setPortOpen(false));
    }
    QVERIFY(pty.write(QByteArray("\xAA stale", 7)));
    QVERIFY(pty.waitUntilQueued(7, 2000));

    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(port.input(), QByteArray());

    QVERIFY(pty.write(QByteArray(1, char(0xAA))));
    QVERIFY(pty.waitUntilQueued(1, 2000));
    QCOMPARE(port.input(), QByteArray(1, char(0xAA)));
}

void TestSerialPort::vanishedDeviceIsClosedOnce_data()
{
    QTest::addColumn<QString>("noticedBy");
    QTest::addColumn<int>("reports");

    QTest::newRow("the event loop") << "event loop" << 1;
    QTest::newRow("counting the input") << "inBufferCount" << 1;
    QTest::newRow("reading the input") << "input" << 1;
    QTest::newRow("writing a byte") << "output" << 1;
    QTest::newRow("nobody: the user closes the port first") << "closing" << 0;
}

void TestSerialPort::vanishedDeviceIsClosedOnce()
{
    QFETCH(QString, noticedBy);
    QFETCH(int, reports);
    OPEN_LINE(pty, folder, port);
    QSignalSpy lost(&port, &PortControl::portLost);
    bool openWhenReported = false;
    connect(&port, &PortControl::portLost, this, [&] { openWhenReported = port.portOpen(); });

    const qint64 cpuBefore = processCpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    pty.closeMaster();

    if (noticedBy == QLatin1String("inBufferCount")) {
        QCOMPARE(port.inBufferCount(), 0);
        QVERIFY(!port.portOpen());
    } else if (noticedBy == QLatin1String("input")) {
        QCOMPARE(port.input(), QByteArray());
        QVERIFY(!port.portOpen());
    } else if (noticedBy == QLatin1String("output")) {
        QVERIFY(!port.output(QByteArray(1, char(0xF7))));
        QVERIFY(!port.portOpen());
    } else if (noticedBy == QLatin1String("closing")) {
        QVERIFY(port.setPortOpen(false));
    }
    QTRY_COMPARE(lost.count(), reports);
    QVERIFY(!openWhenReported);
    QVERIFY(!port.portOpen());

    QTest::qWait(int(qMax<qint64>(0, 1000 - wall.elapsed())));
    const qint64 cpu = processCpuMilliseconds() - cpuBefore;
    QVERIFY2(cpu < 100, qPrintable(QStringLiteral("%1 ms of processor time in %2 ms").arg(cpu).arg(wall.elapsed())));

    QVERIFY(!port.output(QByteArray(1, char(0xF7))));
    QVERIFY(!port.errorString().isEmpty());
    QCOMPARE(port.inBufferCount(), 0);
    QTest::qWait(50);
    QCOMPARE(lost.count(), reports);
}

void TestSerialPort::lossOfAnEarlierConnectionIsNotReported()
{
    OPEN_LINE(first, folder, port);
    PtyPair second;
    QVERIFY(linkPort(folder, 2, second.slavePath()));
    QSignalSpy lost(&port, &PortControl::portLost);

    first.closeMaster();
    QCOMPARE(port.inBufferCount(), 0);
    QVERIFY(!port.portOpen());
    QVERIFY(port.setCommPort(2));
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QTest::qWait(100);
    QCOMPARE(lost.count(), 0);
    QVERIFY(port.portOpen());
}

void TestSerialPort::secondOpenerIsRefused_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    // COM1 and COM2 link to the device, COM3 links to COM2; "device" is a
    // program that opens the device by its own path.
    QTest::newRow("the same link") << "COM1" << "COM1";
    QTest::newRow("another link to the device") << "COM1" << "COM2";
    QTest::newRow("a chain of links") << "COM1" << "COM3";
    QTest::newRow("the device path while a link holds it") << "COM1" << "device";
    QTest::newRow("a link while the device path holds it") << "device" << "COM2";
    QTest::newRow("a chain while the device path holds it") << "device" << "COM3";
}

void TestSerialPort::secondOpenerIsRefused()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    QTemporaryDir folder;
    QVERIFY(linkPort(folder, 1, pty.slavePath()));
    QVERIFY(linkPort(folder, 2, pty.slavePath()));
    QVERIFY(linkPort(folder, 3, QDir(folder.path()).filePath(QStringLiteral("COM2"))));

    Opener holder(first, folder.path(), pty.slavePath(), QStringLiteral("9600,n,8,1"));
    Opener intruder(second, folder.path(), pty.slavePath(), QStringLiteral("1200,n,8,1"));
    QVERIFY2(holder.open(), qPrintable(holder.errorString()));

    QVERIFY(!intruder.open());
    QVERIFY(!intruder.errorString().isEmpty());
    // The refused program left the holder's line as it was.
    QCOMPARE(outputSpeed(pty), speed_t(B9600));
    QVERIFY(holder.write("U"));
    QCOMPARE(pty.read(1, 2000), QByteArray("U"));

    holder.close();
    QVERIFY2(intruder.open(), qPrintable(intruder.errorString()));
    QCOMPARE(outputSpeed(pty), speed_t(B1200));
    QVERIFY(intruder.write("V"));
    QCOMPARE(pty.read(1, 2000), QByteArray("V"));
}

void TestSerialPort::failedOpen_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("entry");

    QTest::newRow("port 0") << 0 << "";
    QTest::newRow("no entry and no such serial device") << 250 << "";
    QTest::newRow("COM link to nothing") << 4 << "dangling";
    QTest::newRow("COM entry that is no terminal") << 5 << "file";
    QTest::newRow("COM link to an unplugged adapter") << 6 << "hung up";
}

void TestSerialPort::failedOpen()
{
    QFETCH(int, number);
    QFETCH(QString, entry);
    PtyPair good;
    PtyPair unplugged;
    QVERIFY2(good.isValid() && unplugged.isValid(), qPrintable(good.errorString()));
    unplugged.closeMaster();
    QTemporaryDir folder;
    QVERIFY(linkPort(folder, 1, good.slavePath()));
    const QString name = QStringLiteral("COM%1").arg(number);
    if (entry == QLatin1String("dangling")) {
        QVERIFY(makeEntry(folder, name, folder.filePath(QStringLiteral("gone"))));
    } else if (entry == QLatin1String("file")) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (entry == QLatin1String("hung up")) {
        QVERIFY(makeEntry(folder, name, unplugged.slavePath()));
    }

    SerialPortControl port(folder.path());
    QSignalSpy lost(&port, &PortControl::portLost);
    QVERIFY(port.setCommPort(number));
    QVERIFY(!port.setPortOpen(true));
    QVERIFY(!port.portOpen());
    QVERIFY(!port.errorString().isEmpty());

    // A failure leaves nothing behind: the next port opens normally.
    QVERIFY(port.setCommPort(1));
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QVERIFY(port.output("x"));
    QCOMPARE(good.read(1, 2000), QByteArray("x"));
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);
}

// A pty keeps the speed, the stop bits and the kind of parity it is given but
// always reports 8 data bits and parity checking off, so those two cannot be
// seen from here.
void TestSerialPort::settingsAreApplied_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<speed_t>("speed");
    QTest::addColumn<tcflag_t>("flags");

    QTest::newRow("defaults") << QStringList{} << "9600,n,8,1" << speed_t(B9600) << tcflag_t(0);
    QTest::newRow("the module's line") << QStringList{"9600,n,8,1"} << "9600,n,8,1" << speed_t(B9600) << tcflag_t(0);
    QTest::newRow("even parity, 2 stop bits") << QStringList{"19200,E,7,2"} << "19200,E,7,2" << speed_t(B19200) << tcflag_t(CSTOPB);
    QTest::newRow("odd parity") << QStringList{"1200,o,8,1"} << "1200,o,8,1" << speed_t(B1200) << tcflag_t(PARODD);
    QTest::newRow("mark parity") << QStringList{"38400,m,8,1"} << "38400,m,8,1" << speed_t(B38400) << tcflag_t(CMSPAR | PARODD);
    QTest::newRow("space parity") << QStringList{"57600,s,8,2"} << "57600,s,8,2" << speed_t(B57600) << tcflag_t(CMSPAR | CSTOPB);
    QTest::newRow("blanks around fields") << QStringList{" 2400 , n , 5 , 1 "} << " 2400 , n , 5 , 1 " << speed_t(B2400) << tcflag_t(0);
    QTest::newRow("refused text keeps the one before") << QStringList{"4800,n,8,2", "9600,x,8,1"} << "4800,n,8,2"
                                                       << speed_t(B4800) << tcflag_t(CSTOPB);
}

void TestSerialPort::settingsAreApplied()
{
    QFETCH(QStringList, texts);
    QFETCH(tcflag_t, flags);
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    QTemporaryDir folder;
    QVERIFY(linkPort(folder, 1, pty.slavePath()));
    SerialPortControl port(folder.path());
    for (const QString &text : texts)
        port.setSettings(text);
    QTEST(port.settings(), "settings");

    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    const termios line = lineSettings(pty);
    QTEST(cfgetospeed(&line), "speed");
    QTEST(cfgetispeed(&line), "speed");
    QCOMPARE(line.c_cflag & (CMSPAR | PARODD | CSTOPB), flags);
}

void TestSerialPort::numberGivenWhileOpenTakesEffectAtNextOpen()
{
    OPEN_LINE(first, folder, port);
    PtyPair second;
    QVERIFY(linkPort(folder, 2, second.slavePath()));

    QVERIFY(port.setCommPort(2));
    QCOMPARE(port.commPort(), 2);
    QVERIFY(port.portOpen());
    QVERIFY(port.setPortOpen(true));
    QVERIFY(port.output("a"));
    QCOMPARE(first.read(1, 2000), QByteArray("a"));

    QVERIFY(port.setPortOpen(false));
    QVERIFY(port.setPortOpen(false));
    QVERIFY(!port.portOpen());
    QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
    QVERIFY(port.output("b"));
    QCOMPARE(second.read(1, 2000), QByteArray("b"));
    QCOMPARE(first.read(1, 100), QByteArray());
}

void TestSerialPort::refusedValuesChangeNothing_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("negative port number") << "CommPort" << QVariant(-1);
    QTest::newRow("input mode 2") << "InputMode" << QVariant(2);
    QTest::newRow("negative input mode") << "InputMode" << QVariant(-1);
    QTest::newRow("settings without stop bits") << "Settings" << QVariant("9600,n,8");
}

void TestSerialPort::refusedValuesChangeNothing()
{
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    OPEN_LINE(pty, folder, port);
    QVERIFY(port.setInputMode(1));

    bool accepted = true;
    if (property == QLatin1String("CommPort"))
        accepted = port.setCommPort(value.toInt());
    else if (property == QLatin1String("InputMode"))
        accepted = port.setInputMode(value.toInt());
    else
        accepted = port.setSettings(value.toString());
    QVERIFY(!accepted);
    QVERIFY(!port.errorString().isEmpty());

    QCOMPARE(port.commPort(), 1);
    QCOMPARE(port.inputMode(), 1);
    QCOMPARE(port.settings(), QStringLiteral("9600,n,8,1"));
    QVERIFY(port.portOpen());
    QVERIFY(port.output("k"));
    QCOMPARE(pty.read(1, 2000), QByteArray("k"));
}

void TestSerialPort::closedPortCarriesNothing()
{
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    QTemporaryDir folder;
    QVERIFY(linkPort(folder, 1, pty.slavePath()));
    SerialPortControl port(folder.path());
    QSignalSpy lost(&port, &PortControl::portLost);
    QVERIFY(pty.write("z"));
    QVERIFY(pty.waitUntilQueued(1, 2000));

    QVERIFY(!port.portOpen());
    QVERIFY(!port.output("a"));
    QVERIFY(!port.errorString().isEmpty());
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(port.input(), QByteArray());
    QCOMPARE(pty.read(1, 100), QByteArray());
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"

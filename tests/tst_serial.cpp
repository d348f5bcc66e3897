#include "FrameSender.h"
#include "ProcessFigures.h"
#include "PtyPair.h"
#include "SerialPortControl.h"
#include "TimerWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>
#include <termios.h>

namespace {

QByteArray bytesFrom(int count, const std::function<int(int)> &value)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        bytes[i] = char(value(i));
    return bytes;
}

QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

// Names the row in the test's output when one of its checks failed.
auto naming(const QString &row) { return qScopeGuard([row] { if (QTest::currentTestFailed()) qWarning("in row: %s", qPrintable(row)); }); }

// A program folder whose COM1 leads to a pseudo-terminal and COM4 to a
// second one, and the port control over it.
struct Line
{
    PtyPair pty, second;
    QTemporaryDir folder;
    SerialPortControl port{folder.path()};
    QSignalSpy lost{&port, &PortControl::portLost};

    Line()
    {
        QFile::link(pty.slavePath(), folder.filePath("COM1"));
        QFile::link(second.slavePath(), folder.filePath("COM4"));
    }
    bool open() { return port.setPortOpen(true); }
};

} // namespace

// The port layer over a real pseudo-terminal, the frames sent through it,
// and the wait of the storing commands.
class SerialTest : public QObject
{
    Q_OBJECT
private slots:
    // Each row's bytes come in, are counted and taken, and go out again.
    void bytesPassUnchanged()
    {
        const std::pair<const char *, QList<QByteArray>> rows[] = {
            {"nothing received", {}}, {"the acknowledgement byte", {"\xAA"}},
            {"two bursts add up", {QByteArray("\x00\x7F", 2), "\x80\xFF"}},
            {"every byte value, a full buffer", {bytesFrom(1024, [](int i) { return i; })}},
            {"a flood is held back 1024 at a time, not lost", {bytesFrom(3000, [](int i) { return i * 7 + i / 256; })}}};
        for (const auto &[name, bursts] : rows) {
            const auto named = naming(name);
            Line line;
            QVERIFY2(line.open(), qPrintable(line.port.errorString()));
            QByteArray sent, taken;
            for (const QByteArray &burst : bursts) {
                QVERIFY(line.pty.write(burst));
                sent += burst;
                QVERIFY(line.pty.waitUntilQueued(int(sent.size()), 2000));
            }
            // Counted first without the event loop having had a chance to read
            // anything, then again after it has.
            for (bool first = true; first || taken.size() < sent.size(); first = false, QTest::qWait(20)) {
                const int count = int(qMin<qsizetype>(SerialPortControl::InputBufferSize, sent.size() - taken.size()));
                QCOMPARE(line.port.inBufferCount(), count);
                QCOMPARE(line.port.inBufferCount(), count);
                taken += line.port.input();
            }
            QCOMPARE(taken, sent);
            QCOMPARE(line.port.inBufferCount(), 0);
            QCOMPARE(line.port.input(), QByteArray());
            // No event loop runs now: what arrives was put on the line by output().
            QVERIFY(line.port.output(sent.left(1)) && line.port.output(QByteArray()) && line.port.output(sent.mid(1)));
            QCOMPARE(line.pty.read(int(sent.size()) + 1, 200), sent);
        }
    }

    void lossIsNoticedAndToldOnce()
    {
        for (const QString noticedBy : {"the event loop", "counting the input", "reading the input", "writing a byte",
                                        "nobody: the user closes the port first", "nobody: another port opened meanwhile"}) {
            const auto named = naming(noticedBy);
            const bool told = !noticedBy.startsWith("nobody"), reopened = noticedBy.contains("another");
            Line line;
            QVERIFY(line.open());
            bool openWhenReported = false;
            connect(&line.port, &PortControl::portLost, this, [&] { openWhenReported = line.port.portOpen(); });
            line.pty.closeMaster();
            if (noticedBy.contains("counting"))
                QCOMPARE(line.port.inBufferCount(), 0);
            else if (noticedBy.contains("reading"))
                QCOMPARE(line.port.input(), QByteArray());
            else if (noticedBy.contains("writing"))
                QVERIFY(!line.port.output("\xF7"));
            else if (noticedBy.contains("closes"))
                QVERIFY(line.port.setPortOpen(false));
            else if (reopened)
                QVERIFY(line.port.inBufferCount() == 0 && line.port.setCommPort(4) && line.open());
            if (told && !noticedBy.contains("event loop"))
                QVERIFY(!line.port.portOpen()); // at once, not when the event loop comes round
            QTRY_COMPARE(line.lost.count(), int(told));
            QTest::qWait(100);
            QCOMPARE(line.lost.count(), int(told));
            QVERIFY(!openWhenReported);
            QCOMPARE(line.port.portOpen(), reopened);
            if (!reopened)
                QVERIFY(!line.port.output("\xF7") && !line.port.errorString().isEmpty() && line.port.inBufferCount() == 0);
        }
    }

    // A pty keeps the speed, the stop bits and the kind of parity it is given
    // but always reports 8 data bits and parity checking off, so those two
    // cannot be seen from here.
    void settingsReachTheLine()
    {
        const struct { const char *name; QStringList texts; const char *settings; int speed, flags; } rows[] = {
            {"defaults", {}, "9600,n,8,1", B9600, 0},
            {"even parity, 2 stop bits", {"19200,E,7,2"}, "19200,E,7,2", B19200, CSTOPB},
            {"odd parity", {"1200,o,8,1"}, "1200,o,8,1", B1200, PARODD},
            {"mark parity", {"38400,m,8,1"}, "38400,m,8,1", B38400, CMSPAR | PARODD},
            {"space parity", {"57600,s,8,2"}, "57600,s,8,2", B57600, CMSPAR | CSTOPB},
            {"refused text keeps the one before", {"4800,n,8,2", "9600,x,8,1"}, "4800,n,8,2", B4800, CSTOPB}};
        for (const auto &row : rows) {
            Line line;
            for (const QString &text : row.texts)
                line.port.setSettings(text);
            termios settings{};
            QVERIFY2(line.open() && tcgetattr(line.pty.slaveFd(), &settings) == 0, row.name);
            QCOMPARE(QStringLiteral("%1: %2 %3 %4 %5").arg(row.name, line.port.settings()).arg(cfgetospeed(&settings))
                         .arg(cfgetispeed(&settings)).arg(settings.c_cflag & (CMSPAR | PARODD | CSTOPB)),
                     QStringLiteral("%1: %2 %3 %3 %4").arg(row.name, row.settings).arg(row.speed).arg(row.flags));
        }
    }

    // Refused values change nothing; a port number given while open counts at
    // the next open; a closed port carries nothing either way, and what came
    // before the open is no answer to anything.
    void propertiesRefuseAndDefer()
    {
        Line line;
        QVERIFY(line.pty.write("z") && line.pty.waitUntilQueued(1, 2000));
        QVERIFY(!line.port.output("a") && !line.port.errorString().isEmpty() && line.port.inBufferCount() == 0);
        QCOMPARE(line.port.input() + line.pty.read(1, 100), QByteArray());
        QVERIFY(line.open() && line.port.setInputMode(1) && line.port.inBufferCount() == 0);
        QVERIFY(!line.port.setCommPort(-1) && !line.port.setInputMode(2) && !line.port.setInputMode(-1));
        QVERIFY(!line.port.setSettings("9600,n,8"));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(line.port.commPort()).arg(line.port.inputMode()).arg(line.port.settings()),
                 "1 1 9600,n,8,1");
        QVERIFY(line.port.setCommPort(4) && line.port.portOpen() && line.port.setPortOpen(true) && line.port.output("k"));
        QCOMPARE(line.pty.read(1, 2000), QByteArray("k"));
        QVERIFY(line.port.setPortOpen(false) && line.port.setPortOpen(false) && line.open() && line.port.output("b"));
        QCOMPARE(line.second.read(1, 2000), QByteArray("b"));
        QCOMPARE(line.lost.count(), 0);
    }

    // In: the count, then the buffer's first bytes (the rest is 0x55,
    // leftovers that must stay home); "lost" sends on a hung-up line. Out:
    // what SendFrame said, what the line took, the monitor (it held "old").
    void sendFrame()
    {
        const QString whole = hex(bytesFrom(71, [](int i) { return 255 - 3 * i; }));
        const QList<std::array<QString, 3>> rows{
            {"nothing", "0", "true||"}, {"the whole buffer in index order", "71 " + whole, "true|" + whole + "|" + whole + " "},
            {"count below the buffer", "-1 FD", "false||old"}, {"count beyond the buffer", "72 FD", "false||old"},
            {"lost line: the frame stops there", "lost F9 09", "false||"}};
        for (const auto &[name, in, out] : rows) {
            const bool lost = in.startsWith("lost");
            Line line;
            QVERIFY(line.open());
            FrameSender sender(line.port);
            sender.txBuffer().fill(0x55);
            const QByteArray bytes = QByteArray::fromHex(in.section(' ', 1).toLatin1());
            std::copy(bytes.begin(), bytes.end(), sender.txBuffer().begin());
            sender.appendToMonitor("old");
            if (lost)
                line.pty.closeMaster();
            const bool sent = sender.SendFrame(lost ? 10 : in.section(' ', 0, 0).toInt());
            QCOMPARE(QStringLiteral("%1: %2|%3|%4").arg(name, sent ? "true" : "false", hex(line.pty.read(80, 200)),
                                                         sender.monitorText()), name + ": " + out);
            QVERIFY2(line.port.portOpen() != lost, qPrintable(name));
        }
    }

    // One tick of a 100 ms timer, in an event loop that sleeps; an abandoned
    // wait ends at once and no later one starts.
    void timerWait()
    {
        TimerWait wait;
        bool activeInside = false, innerResult = true;
        QTimer::singleShot(10, &wait, [&] { activeInside = wait.timer().isActive(); });
        QElapsedTimer clock;
        const qint64 cpuBefore = ProcessFigures::cpuMilliseconds();
        clock.start();
        QVERIFY(wait.wait());
        const qint64 elapsed = clock.elapsed(), cpu = ProcessFigures::cpuMilliseconds() - cpuBefore;
        QVERIFY2(elapsed >= 95 && elapsed <= 150, qPrintable(QString::number(elapsed)));
        QVERIFY2(cpu < 20, qPrintable(QStringLiteral("processor time %1 ms").arg(cpu)));
        QVERIFY(wait.timerElapsed() == 1 && activeInside && !wait.timer().isActive());
        clock.restart();
        QTimer::singleShot(20, &wait, [&] {
            QTimer::singleShot(10, &wait, [&] { wait.abandon(); });
            innerResult = wait.wait();
        });
        QVERIFY(!wait.wait() && !innerResult && clock.elapsed() < 90 && !wait.wait());
    }
};

QTEST_GUILESS_MAIN(SerialTest)
#include "tst_serial.moc"

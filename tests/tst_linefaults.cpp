#include "AppLook.h"
#include "ProcessFigures.h"
#include "ScriptedModule.h"
#include "WindowHarness.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace ProcessFigures;

namespace {

const QString PortNotAvailable = QStringLiteral("PORT NOT AVAILABLE!");
constexpr qint64 MiB = 1024 * 1024;
const QByteArray DisplayEmptyPattern = QByteArray("\xFC\x00", 2) + QByteArray(8, '\0');

// The far end keeps its own pace: writes that the line cannot take at once
// are refused instead of waiting.
class NonBlocking
{
public:
    explicit NonBlocking(int fd) : m_fd(fd), m_flags(::fcntl(fd, F_GETFL)) { ::fcntl(fd, F_SETFL, m_flags | O_NONBLOCK); }
    ~NonBlocking() { ::fcntl(m_fd, F_SETFL, m_flags); }

private:
    int m_fd;
    int m_flags;
};

// True while the program's end of the line takes more bytes without delay.
bool lineTakesMore(const PtyPair &line)
{
    pollfd slave {line.slaveFd(), POLLOUT, 0};
    return ::poll(&slave, 1, 0) == 1 && (slave.revents & POLLOUT);
}

// Fills the line towards the far end through the test's own descriptor of
// the program's end, until it has stayed full for a while: the system moves
// bytes between its buffers a moment after a write. Returns what it took.
QByteArray fillLineToPeer(PtyPair &line)
{
    const NonBlocking slave(line.slaveFd());
    const QByteArray filler(4096, 'f');
    QByteArray taken;
    QElapsedTimer fullFor;
    while (!fullFor.isValid() || fullFor.elapsed() < 50) {
        const ssize_t n = ::write(line.slaveFd(), filler.constData(), size_t(filler.size()));
        if (n > 0) {
            taken += filler.left(n);
            fullFor.invalidate();
        } else if (n < 0 && errno == EAGAIN) {
            if (!fullFor.isValid())
                fullFor.start();
            ::usleep(2000);
        } else {
            break;
        }
    }
    return taken;
}

// Everything the program sent that waits at the far end, reading until the
// line has stayed quiet for quietMs while the event loop runs.
QByteArray drain(PtyPair &line, int quietMs)
{
    QByteArray received;
    for (;;) {
        QTest::qWait(5);
        const QByteArray chunk = line.read(64 * 1024, quietMs);
        if (chunk.isEmpty())
            return received;
        received += chunk;
    }
}

} // namespace

// The line misbehaving under the real window: the device vanishes, the peer
// floods it or stops reading, and connections come and go many times.
class LineFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void lossIsToldOnceAndTheDeviceComesBack_data();
    void lossIsToldOnceAndTheDeviceComesBack();
    void floodIsHeldAtTheInputBuffer();
    void stalledPeer_data();
    void stalledPeer();
    void connectionCyclesLeaveNothingBehind_data();
    void connectionCyclesLeaveNothingBehind();

private:
    QStringList &shown() { return m_harness->messages().shown; }
    void fillInputBuffer();

    std::unique_ptr<WindowHarness> m_harness;
};

void LineFaultsTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    m_harness->connect();
}

// Unsolicited bytes up to the program's input buffer of 1024 and beyond.
void LineFaultsTest::fillInputBuffer()
{
    QVERIFY(m_harness->line().write(QByteArray(SerialPortControl::InputBufferSize + 100, '\x55')));
    QTRY_COMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
    QTest::qWait(50); // the event loop settles with the buffer full
}

void LineFaultsTest::lossIsToldOnceAndTheDeviceComesBack_data()
{
    QTest::addColumn<QString>("during");
    QTest::newRow("at rest") << "rest";
    QTest::newRow("in the wait of Save Bitmap") << "cmdSaveBitmap";
    QTest::newRow("in the wait of Save Current Screen as Startup") << "cmdSaveSU";
    QTest::newRow("at rest with the input buffer full") << "full";
}

void LineFaultsTest::lossIsToldOnceAndTheDeviceComesBack()
{
    QFETCH(QString, during);
    QSignalSpy lost(&m_harness->port(), &PortControl::portLost);
    QElapsedTimer sinceLoss;
    qint64 cpuAtLoss = 0;
    qint64 toldAfter = -1;
    m_harness->messages().onShow = [&](const QString &) {
        if (toldAfter < 0)
            toldAfter = sinceLoss.elapsed();
    };
    const auto unplug = [&] {
        cpuAtLoss = cpuMilliseconds();
        sinceLoss.start();
        m_harness->line().closeMaster();
    };

    if (during == "full")
        fillInputBuffer();
    if (during == "rest" || during == "full") {
        unplug();
    } else {
        QTimer::singleShot(30, &m_harness->window(), unplug);
        m_harness->click(during); // returns when its wait is over
        QVERIFY(sinceLoss.isValid());
    }
    QTRY_VERIFY_WITH_TIMEOUT(toldAfter >= 0, 2000);
    QVERIFY2(toldAfter < 500, qPrintable(QStringLiteral("told %1 ms after the loss").arg(toldAfter)));
    QTest::qWait(int(std::max<qint64>(0, 2000 - sinceLoss.elapsed())));
    const qint64 cpu = cpuMilliseconds() - cpuAtLoss;
    qInfo("told %lld ms after the loss; %lld ms of processor time in the 2 s after it", toldAfter, cpu);
    QVERIFY2(cpu < 100, qPrintable(QStringLiteral("%1 ms of processor time in the %2 ms after the loss")
                                       .arg(cpu).arg(sinceLoss.elapsed())));
    QCOMPARE(shown(), QStringList{PortNotAvailable});
    QCOMPARE(lost.count(), 1);
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
    QVERIFY(!m_harness->commandsEnabled());

    // The adapter is plugged in again: a new device under the same name.
    PtyPair back;
    QVERIFY2(back.isValid(), qPrintable(back.errorString()));
    m_harness->linkPort(1, back.slavePath());
    m_harness->connect();
    QCOMPARE(m_harness->caption("cmdConnect"), "Disconnect");
    ScriptedModule module(back);
    m_harness->click("cmdSaveSU");
    QCOMPARE(module.received, QByteArray("\xF7\x1B"));
    QCOMPARE(shown(), (QStringList{PortNotAvailable, "Screen Saved As Startup"}));
    QCOMPARE(lost.count(), 1);
}

void LineFaultsTest::floodIsHeldAtTheInputBuffer()
{
    PtyPair &line = m_harness->line();
    m_harness->click("cmdAnimate0"); // whatever a first frame allocates, before the figure
    QCOMPARE(line.read(3, 500), QByteArray("\xF8\x00\x00", 3));
    QByteArray flood(MiB, Qt::Uninitialized);
    for (qsizetype i = 0; i < flood.size(); ++i)
        flood[i] = char(i * 13 + i / 251);
    QTest::qWait(20);
    const qint64 heldBefore = heldBytes();
    qint64 accepted = 0;
    qint64 clickTook = -1;
    QByteArray clickFrame;
    {
        const NonBlocking peer(line.masterFd());
        const QDeadlineTimer deadline(2000);
        while (accepted < flood.size() && !deadline.hasExpired()) {
            const ssize_t n = ::write(line.masterFd(), flood.constData() + accepted,
                                      size_t(std::min<qint64>(4096, flood.size() - accepted)));
            if (n > 0) {
                accepted += n;
            } else {
                QVERIFY2(n < 0 && errno == EAGAIN, std::strerror(errno));
                QTest::qWait(2); // the program's turn
            }
            // In the middle of it, a click: its frame must reach the far end at once.
            if (clickTook < 0 && (accepted >= flood.size() / 2 || deadline.remainingTime() < 1000)) {
                QElapsedTimer clock;
                clock.start();
                m_harness->click("cmdAnimate1");
                clickFrame = line.read(3, 200);
                clickTook = clock.elapsed();
            }
        }
    }
    qInfo("the line took %lld of %lld flooded bytes; the click in the middle took %lld ms", accepted,
          qint64(flood.size()), clickTook);
    QCOMPARE(clickFrame, QByteArray("\xF8\x01\x00", 3));
    QVERIFY2(clickTook < 50, qPrintable(QStringLiteral("the click took %1 ms").arg(clickTook)));
    const qint64 grown = heldBytes() - heldBefore;
    qInfo("memory held grew by %lld KiB", grown / 1024);
    QVERIFY2(grown < MiB, qPrintable(QStringLiteral("memory held grew by %1 bytes").arg(grown)));
    QVERIFY(m_harness->port().portOpen());

    // Two or more bytes waiting: the store's test stays silent and takes none,
    // whatever the module answers.
    QCOMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
    QTimer::singleShot(20, &m_harness->window(), [&] {
        const NonBlocking peer(line.masterFd());
        const bool answered = ::write(line.masterFd(), "\xAA", 1) == 1;
        qInfo("the acknowledgement %s the line", answered ? "got onto" : "found no room on");
    });
    m_harness->click("cmdSaveBitmap");
    QCOMPARE(line.read(11, 200).size(), 10);
    QCOMPARE(shown(), QStringList());
    QCOMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
    QVERIFY(m_harness->port().portOpen());
}

void LineFaultsTest::stalledPeer_data()
{
    QTest::addColumn<bool>("resumes");
    QTest::newRow("the peer reads again before 512 bytes wait") << true;
    QTest::newRow("the peer never reads again") << false;
}

// The line's own buffers fill up first; behind them the port control keeps
// up to 512 bytes for the line. Whatever would wait beyond that means the
// device is gone: the port closes and the user is told once.
void LineFaultsTest::stalledPeer()
{
    QFETCH(bool, resumes);
    PtyPair &line = m_harness->line();
    const qint64 heldBefore = heldBytes();
    int clicks = 0;
    qint64 longest = 0;
    const auto click = [&] {
        QElapsedTimer clock;
        clock.start();
        m_harness->click("cmdSendBM");
        longest = std::max(longest, clock.elapsed());
        ++clicks;
    };

    // Thousands of frames until the system holds back, then the rest of its
    // room filled from this end, so that every later byte has to wait.
    while (lineTakesMore(line) && clicks < 100000)
        click();
    const int beforeFull = clicks;
    const QByteArray filler = fillLineToPeer(line);
    qInfo("the line took %d frames and %lld bytes more before it was full", beforeFull, qint64(filler.size()));
    QVERIFY(beforeFull > 1000);
    const QByteArray early = DisplayEmptyPattern.repeated(beforeFull) + filler;

    if (resumes) {
        for (int i = 0; i < 51; ++i) // 510 bytes wait
            click();
        QVERIFY(m_harness->port().portOpen());
        const QByteArray received = drain(line, 200);
        QCOMPARE(received.size(), early.size() + qsizetype(clicks - beforeFull) * DisplayEmptyPattern.size());
        QVERIFY(received == early + DisplayEmptyPattern.repeated(clicks - beforeFull));
        QVERIFY(m_harness->port().portOpen());
        QCOMPARE(shown(), QStringList());
    } else {
        while (m_harness->port().portOpen() && clicks < beforeFull + 1000)
            click();
        QVERIFY(!m_harness->port().portOpen());
        QTRY_COMPARE(shown(), QStringList{PortNotAvailable});
        QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
        QVERIFY(!m_harness->commandsEnabled());
        // Every byte that left the window before the failing one waited in
        // the port control, and none of them reached the far end.
        const qsizetype echoed = m_harness->control<QLabel>("lblTxData")->text().size() / 3;
        const qsizetype written = qsizetype(clicks - 1 - beforeFull) * DisplayEmptyPattern.size() + echoed;
        QCOMPARE(written, qsizetype(SerialPortControl::OutputBufferSize));
        QVERIFY(drain(line, 200) == early);
        QTest::qWait(100);
        QCOMPARE(shown(), QStringList{PortNotAvailable});
    }
    qInfo("%d frames, the slowest click took %lld ms", clicks, longest);
    QVERIFY2(longest < 50, qPrintable(QStringLiteral("a click took %1 ms").arg(longest)));
    const qint64 grown = heldBytes() - heldBefore;
    qInfo("memory held grew by %lld KiB", grown / 1024);
    QVERIFY2(grown < MiB, qPrintable(QStringLiteral("memory held grew by %1 bytes").arg(grown)));
}

void LineFaultsTest::connectionCyclesLeaveNothingBehind_data()
{
    QTest::addColumn<bool>("unplugged");
    QTest::newRow("connect and disconnect") << false;
    QTest::newRow("connect, device lost, device back") << true;
}

void LineFaultsTest::connectionCyclesLeaveNothingBehind()
{
    QFETCH(bool, unplugged);
    constexpr int Cycles = 50;
    auto line = std::make_unique<PtyPair>();
    m_harness->click("cmdConnect"); // init() connected to the harness's own line
    m_harness->linkPort(1, line->slavePath());
    const int filesBefore = openFileCount();
    QStringList usedDevices;

    for (int cycle = 0; cycle < Cycles; ++cycle) {
        m_harness->connect();
        QCOMPARE(lockFilesOf(line->slavePath()).size(), 1);
        m_harness->click("cmdAnimate3");
        QCOMPARE(line->read(3, 500), QByteArray("\xF8\x03\x00", 3));
        if (unplugged) {
            line->closeMaster();
            QTRY_VERIFY_WITH_TIMEOUT(!m_harness->port().portOpen(), 500);
            QTRY_COMPARE_WITH_TIMEOUT(shown().size(), cycle + 1, 500);
            usedDevices << line->slavePath();
            line = std::make_unique<PtyPair>();
            m_harness->linkPort(1, line->slavePath());
        } else {
            m_harness->click("cmdConnect");
            QVERIFY(!m_harness->port().portOpen());
        }
        QVERIFY(!m_harness->commandsEnabled());
    }
    usedDevices << line->slavePath();

    QCOMPARE(openFileCount(), filesBefore);
    for (const QString &device : usedDevices)
        QCOMPARE(lockFilesOf(device), QStringList());
    QCOMPARE(shown().size(), unplugged ? Cycles : 0);
    m_harness->connect(); // and still works
    m_harness->click("cmdSaveSU");
    QCOMPARE(line->read(2, 500), QByteArray("\xF7\x1B"));
}

QTEST_MAIN(LineFaultsTest)
#include "tst_linefaults.moc"

#include "AppLook.h"
#include "ProcessFigures.h"
#include "WindowHarness.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace ProcessFigures;

namespace {

constexpr qint64 MiB = 1024 * 1024;
const QString PortNotAvailable = QStringLiteral("PORT NOT AVAILABLE!");

// The far end keeps its own pace: a write the line cannot take at once is
// refused (or taken in part) instead of waited for.
ssize_t writeNow(int fd, const char *bytes, qint64 size)
{
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    const ssize_t written = ::write(fd, bytes, size_t(size));
    ::fcntl(fd, F_SETFL, flags);
    return written;
}

// Everything the program sent that waits at the far end, read until the line
// has stayed quiet for 200 ms while the event loop runs.
QByteArray drain(PtyPair &line)
{
    QByteArray received;
    for (QByteArray chunk = "-"; !chunk.isEmpty(); received += chunk, QTest::qWait(5))
        chunk = line.read(64 * 1024, 200);
    return received;
}

// A figure under its bound; a failure names the figure and its value.
#define VERIFY_BELOW(figure, bound)                                                                                   \
    do {                                                                                                              \
        const qint64 value = (figure);                                                                                \
        QVERIFY2(value < (bound), qPrintable(QStringLiteral("%1 is %2").arg(QLatin1String(#figure)).arg(value)));      \
    } while (false)

} // namespace

// The line misbehaving under the real window, one fault a test.
class LineFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init()
    {
        m_harness = std::make_unique<WindowHarness>();
        m_harness->click("cmdConnect");
        QVERIFY(m_harness->port().portOpen());
    }
    void cleanup() { m_harness.reset(); }

    // What the panel must do, and the bound it keeps, each measured once.
    // A lost line: closes, says PORT NOT AVAILABLE! once and connects again to
    // the device back; told within 500 ms, 100 ms of processor time in the 2 s after.
    void lostAtRest() { lost("rest"); }
    void lostInTheWaitOfSaveBitmap() { lost("Bitmap"); }
    void lostInTheWaitOfSaveStartupScreen() { lost("SU"); }
    void lostAtRestWithTheInputBufferFull() { lost("rest full"); }
    // Every click within 50 ms, memory under 1 MiB. A flood of 1 MiB: 1024 bytes
    // kept, the store stays silent. A stalled peer: up to 512 bytes kept for the
    // line, all arriving in order once it reads again, else closed and said once.
    void floodOf1MiB() { flood(); }
    void stalledPeerThatReadsAgain() { stalledPeer(true); }
    void stalledPeerThatNeverReadsAgain() { stalledPeer(false); }
    // Opens and closes the device each time, tells each loss once; no
    // descriptor or lock file left.
    void fiftyConnectCycles() { connectCycles(false); }
    void fiftyCyclesWithTheDeviceLostAndBack() { connectCycles(true); }

private:
    void lost(const QString &when);
    void flood();
    void stalledPeer(bool resumes);
    void connectCycles(bool unplugged);
    QStringList &shown() { return m_harness->messages().shown; }
    std::unique_ptr<WindowHarness> m_harness;
};

void LineFaultsTest::lost(const QString &when)
{
    QSignalSpy lostSignals(&m_harness->port(), &PortControl::portLost);
    QElapsedTimer sinceLoss;
    qint64 cpuAtLoss = 0, toldAfter = -1;
    m_harness->messages().onShow = [&](const QString &) { toldAfter = toldAfter < 0 ? sinceLoss.elapsed() : toldAfter; };
    const auto unplug = [&] {
        cpuAtLoss = cpuMilliseconds();
        sinceLoss.start();
        m_harness->line().closeMaster();
    };
    if (when.contains("full")) { // unasked bytes up to the input buffer of 1024 and beyond
        QVERIFY(m_harness->line().write(QByteArray(SerialPortControl::InputBufferSize + 100, '\x55')));
        QTRY_COMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
        // The event loop settles with the buffer full, and idles as at rest.
        const qint64 cpuFull = cpuMilliseconds();
        QTest::qWait(500);
        VERIFY_BELOW(cpuMilliseconds() - cpuFull, 25);
    }
    QTimer::singleShot(30, &m_harness->window(), unplug);
    if (!when.contains("rest"))
        m_harness->click(when.contains("Bitmap") ? "cmdSaveBitmap" : "cmdSaveSU"); // returns after its wait
    QTRY_VERIFY_WITH_TIMEOUT(toldAfter >= 0, 2000);
    VERIFY_BELOW(toldAfter, 500);
    QTest::qWait(int(std::max<qint64>(0, 2000 - sinceLoss.elapsed())));
    VERIFY_BELOW(cpuMilliseconds() - cpuAtLoss, 100);
    QCOMPARE(shown(), QStringList{PortNotAvailable});
    QCOMPARE(lostSignals.count(), 1);
    // The adapter is plugged in again: a new device under the same name.
    m_harness->run("is port closed; is cmdConnect CONNECT; is Frame3 off; replug; answer AA; click cmdConnect; "
                   "is cmdConnect Disconnect; click cmdSaveSU; heard F7 1B");
    QCOMPARE(shown(), (QStringList{PortNotAvailable, "Screen Saved As Startup"}));
    QCOMPARE(lostSignals.count(), 1);
}

void LineFaultsTest::flood()
{
    PtyPair &line = m_harness->line();
    m_harness->click("cmdAnimate0"); // whatever a first frame allocates, before the figure
    QCOMPARE(line.read(3, 500), QByteArray("\xF8\x00\x00", 3));
    const QByteArray flood = QByteArray("\xAA\x55\x00\xFF", 4).repeated(MiB / 4);
    QTest::qWait(20);
    const qint64 heldBefore = heldBytes();
    qint64 accepted = 0, clickTook = -1;
    QByteArray clickFrame;
    for (const QDeadlineTimer deadline(2000); accepted < flood.size() && !deadline.hasExpired();) {
        const ssize_t n = writeNow(line.masterFd(), flood.constData() + accepted, std::min(4096ll, flood.size() - accepted));
        if (n > 0)
            accepted += n;
        else
            QTest::qWait(2); // the program's turn
        // In the middle of it, a click: its frame must reach the far end at once.
        if (clickTook < 0 && (accepted >= flood.size() / 2 || deadline.remainingTime() < 1000)) {
            QElapsedTimer clock;
            clock.start();
            m_harness->click("cmdAnimate1");
            clickFrame = line.read(3, 200);
            clickTook = clock.elapsed();
        }
    }
    QCOMPARE(clickFrame, QByteArray("\xF8\x01\x00", 3));
    VERIFY_BELOW(clickTook, 50);
    VERIFY_BELOW(heldBytes() - heldBefore, MiB);
    // Two or more bytes waiting: the store's test stays silent and takes none,
    // whatever the module answers, if the full line takes the answer at all.
    QCOMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
    QTimer::singleShot(20, &m_harness->window(), [&] { Q_UNUSED(writeNow(line.masterFd(), "\xAA", 1)); });
    m_harness->click("cmdSaveBitmap");
    QCOMPARE(line.read(11, 200).size(), 10);
    QCOMPARE(shown(), QStringList());
    QCOMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
    QVERIFY(m_harness->port().portOpen());
}

// The line's own buffers fill up first; behind them the port control keeps
// up to 512 bytes for the line. Whatever would wait beyond that means the
// device is gone: the port closes and the user is told once.
void LineFaultsTest::stalledPeer(bool resumes)
{
    const QByteArray pattern = QByteArray("\xFC\x00", 2) + QByteArray(8, '\0'); // what Send Bitmap sends, empty
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
    // room filled from this end (the system moves bytes between its buffers a
    // moment after a write), so that every later byte has to wait.
    for (pollfd slave{line.slaveFd(), POLLOUT, 0}; ::poll(&slave, 1, 0) == 1 && clicks < 100000;)
        click();
    const int beforeFull = clicks;
    QVERIFY(beforeFull > 1000);
    QByteArray early = pattern.repeated(beforeFull);
    QElapsedTimer fullFor;
    for (fullFor.start(); fullFor.elapsed() < 50; ::usleep(2000)) {
        const ssize_t n = writeNow(line.slaveFd(), QByteArray(4096, 'f').constData(), 4096);
        if (n > 0) {
            early += QByteArray(n, 'f');
            fullFor.restart();
        }
    }
    if (resumes) {
        for (int i = 0; i < 51; ++i) // 510 bytes wait
            click();
        QVERIFY(m_harness->port().portOpen());
        QVERIFY(drain(line) == early + pattern.repeated(51));
        QVERIFY(m_harness->port().portOpen());
        QCOMPARE(shown(), QStringList());
    } else {
        while (m_harness->port().portOpen() && clicks < beforeFull + 1000)
            click();
        QTRY_COMPARE(shown(), QStringList{PortNotAvailable});
        QVERIFY(!m_harness->port().portOpen() && !m_harness->control("Frame3")->isEnabled());
        QCOMPARE(m_harness->control<QPushButton>("cmdConnect")->text(), "CONNECT");
        // Every byte that left the window before the failing one waited in
        // the port control, and none of them reached the far end.
        const qsizetype echoed = m_harness->control<QLabel>("lblTxData")->text().size() / 3;
        QCOMPARE((clicks - 1 - beforeFull) * pattern.size() + echoed, qsizetype(SerialPortControl::OutputBufferSize));
        QVERIFY(drain(line) == early);
        QTest::qWait(100);
        QCOMPARE(shown(), QStringList{PortNotAvailable});
    }
    VERIFY_BELOW(longest, 50);
    VERIFY_BELOW(heldBytes() - heldBefore, MiB);
}

void LineFaultsTest::connectCycles(bool unplugged)
{
    constexpr int Cycles = 50;
    auto line = std::make_unique<PtyPair>();
    m_harness->click("cmdConnect"); // init() connected to the harness's own line
    m_harness->linkPort(1, line->slavePath());
    const int filesBefore = openFileCount();
    QStringList usedDevices;
    for (int cycle = 0; cycle < Cycles; ++cycle) {
        m_harness->click("cmdConnect");
        QVERIFY(m_harness->port().portOpen());
        QCOMPARE(lockFilesOf(line->slavePath()).size(), 1);
        m_harness->click("cmdAnimate3");
        QCOMPARE(line->read(3, 500), QByteArray("\xF8\x03\x00", 3));
        if (!unplugged) {
            m_harness->click("cmdConnect");
            QVERIFY(!m_harness->port().portOpen());
            continue;
        }
        line->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_harness->port().portOpen(), 500);
        QTRY_COMPARE_WITH_TIMEOUT(shown().size(), cycle + 1, 500);
        usedDevices << line->slavePath();
        line = std::make_unique<PtyPair>();
        m_harness->linkPort(1, line->slavePath());
    }
    QCOMPARE(openFileCount(), filesBefore);
    for (const QString &device : usedDevices << line->slavePath())
        QCOMPARE(lockFilesOf(device), QStringList());
    QCOMPARE(shown().size(), unplugged ? Cycles : 0);
    m_harness->click("cmdConnect"); // and still works
    m_harness->click("cmdSaveSU");
    QCOMPARE(line->read(2, 500), QByteArray("\xF7\x1B"));
}

QTEST_MAIN(LineFaultsTest)
#include "tst_linefaults.moc"

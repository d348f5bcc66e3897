#include "AppLook.h"
#include "FrameSender.h"
#include "ProcessFigures.h"
#include "TextCommands.h"
#include "TimerWait.h"
#include "WindowHarness.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace ProcessFigures;

namespace {

constexpr qint64 MiB = 1024 * 1024;
const QString PortNotAvailable = QStringLiteral("PORT NOT AVAILABLE!");

QByteArray bytesFrom(int count, int (*value)(int))
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += char(value(i));
    return bytes;
}

QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

// Names the row in the test's output when one of its checks failed.
auto naming(const QString &row) { return qScopeGuard([row] { if (QTest::currentTestFailed()) qWarning("in row: %s", qPrintable(row)); }); }

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

// A pseudo-terminal keeps no output queue (its bytes are at the far end at
// once, and TIOCOUTQ says 0). While a row sets this, a line's queue is what
// its far end has not read yet, as on a serial line whose far end takes the
// bytes at the line's pace.
std::atomic<int> g_unread = -1;

// The line under watch (none while empty): the sizes of the writes made to
// it, and the bytes it still has room for (-1: whatever the pty takes). Out of
// room, it takes nothing more and is never writable, as when the far end
// stopped.
QString g_watched;
QList<qsizetype> g_writes;
int g_room = -1;

bool watched(int fd)
{
    if (g_watched.isEmpty())
        return false;
    char target[256];
    const ssize_t n = ::readlink(qPrintable(QStringLiteral("/proc/self/fd/%1").arg(fd)), target, sizeof target);
    return n > 0 && QString::fromLocal8Bit(target, int(n)) == g_watched;
}

// A figure under its bound; a failure names the figure and its value.
#define VERIFY_BELOW(figure, bound) QVERIFY2((figure) < (bound), qPrintable(#figure " is " + QString::number(figure)))

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    if (request == TIOCOUTQ && g_unread >= 0)
        return *static_cast<int *>(argument) = g_unread, 0;
    return int(::syscall(SYS_ioctl, fd, request, argument));
}

extern "C" ssize_t write(int fd, const void *bytes, size_t size)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, const void *, size_t)>(::dlsym(RTLD_NEXT, "write"));
    if (!watched(fd))
        return real(fd, bytes, size);
    g_writes << qsizetype(size);
    if (g_room == 0)
        return errno = EAGAIN, -1;
    const size_t taken = g_room < 0 ? size : std::min(size, size_t(g_room));
    g_room -= g_room < 0 ? 0 : int(taken);
    return real(fd, bytes, taken);
}

extern "C" int poll(pollfd *fds, nfds_t count, int timeout)
{
    static const auto real = reinterpret_cast<int (*)(pollfd *, nfds_t, int)>(::dlsym(RTLD_NEXT, "poll"));
    if (g_room != 0 || count != 1 || !(fds->events & POLLOUT) || !watched(fds->fd))
        return real(fds, count, timeout);
    pollfd unwritable{fds->fd, short(fds->events & ~POLLOUT), 0};
    const int ready = real(&unwritable, 1, timeout);
    fds->revents = unwritable.revents;
    return ready;
}

// The port layer over a real pseudo-terminal (the window harness's port and
// line, its window left unbuilt), the frames sent through it and the wait of
// the storing commands; then the line misbehaving under the real
// window, one fault a test, each with the bound it must keep.
class SerialTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void cleanup() { m_harness.reset(); }

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
            WindowHarness folder;
            SerialPortControl &port = folder.port();
            PtyPair &line = folder.line();
            QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
            QByteArray sent, taken;
            for (const QByteArray &burst : bursts)
                QVERIFY(line.write(burst) && line.waitUntilQueued(int((sent += burst).size()), 2000));
            // Counted first without the event loop having had a chance to read
            // anything, then again after it has.
            for (bool first = true; first || taken.size() < sent.size(); first = false, QTest::qWait(20)) {
                const int count = int(qMin<qsizetype>(SerialPortControl::InputBufferSize, sent.size() - taken.size()));
                QVERIFY2(port.inBufferCount() == count && port.inBufferCount() == count, qPrintable(QString::number(count)));
                taken += port.input();
            }
            QVERIFY(taken == sent && port.inBufferCount() == 0 && port.input().isEmpty());
            // No event loop runs now: what arrives was put on the line by output().
            QVERIFY(port.output(sent.left(1)) && port.output(QByteArray()) && port.output(sent.mid(1)));
            QCOMPARE(line.read(int(sent.size()) + 1, 200), sent);
        }
    }

    void lossIsNoticedAndToldOnce()
    {
        // Noticed by a write: the rows of sendFrame and the stalled peer.
        for (const QString noticedBy : {"the event loop", "counting the input", "reading the input",
                                        "nobody: the user closes the port first", "nobody: another port opened meanwhile"}) {
            const auto named = naming(noticedBy);
            const bool told = !noticedBy.startsWith("nobody"), reopened = noticedBy.contains("another");
            WindowHarness folder;
            PtyPair &line = folder.line(), second;
            folder.linkPort(4, second.slavePath());
            SerialPortControl &port = folder.port();
            QSignalSpy lost(&port, &PortControl::portLost);
            QVERIFY(port.setPortOpen(true));
            bool openWhenReported = false;
            connect(&port, &PortControl::portLost, this, [&] { openWhenReported = port.portOpen(); });
            line.closeMaster();
            if (noticedBy.contains("counting"))
                QCOMPARE(port.inBufferCount(), 0);
            else if (noticedBy.contains("reading"))
                QCOMPARE(port.input(), QByteArray());
            else if (noticedBy.contains("closes"))
                QVERIFY(port.setPortOpen(false));
            else if (reopened)
                QVERIFY(port.inBufferCount() == 0 && port.setCommPort(4) && port.setPortOpen(true));
            if (told && !noticedBy.contains("event loop"))
                QVERIFY(!port.portOpen()); // at once, not when the event loop comes round
            QTRY_COMPARE(lost.count(), int(told));
            QTest::qWait(100);
            QVERIFY(lost.count() == int(told) && !openWhenReported && port.portOpen() == reopened);
            // A write after the loss keeps its reason.
            if (!reopened)
                QVERIFY(!port.output("\xF7") && port.errorString().contains(told ? "was lost" : "not open")
                        && port.inBufferCount() == 0);
        }
    }

    // A pty keeps the speed, the stop bits and the kind of parity it is given
    // but always reports 8 data bits and parity checking off, so those two
    // cannot be seen from here.
    void settingsReachTheLine()
    {
        const struct { const char *name; QStringList texts; const char *settings; int speed, flags; } rows[] = {
            {"defaults", {}, "9600,n,8,1", B9600, 0}, {"odd parity", {"1200,o,8,1"}, "1200,o,8,1", B1200, PARODD},
            {"even parity, 2 stop bits", {"19200,E,7,2"}, "19200,E,7,2", B19200, CSTOPB},
            {"mark parity", {"38400,m,8,1"}, "38400,m,8,1", B38400, CMSPAR | PARODD},
            {"space parity", {"57600,s,8,2"}, "57600,s,8,2", B57600, CMSPAR | CSTOPB},
            {"refused text keeps the one before", {"4800,n,8,2", "9600,x,8,1"}, "4800,n,8,2", B4800, CSTOPB}};
        for (const auto &row : rows) {
            WindowHarness folder;
            SerialPortControl &port = folder.port();
            for (const QString &text : row.texts)
                port.setSettings(text);
            termios settings{};
            QVERIFY2(port.setPortOpen(true) && tcgetattr(folder.line().slaveFd(), &settings) == 0, row.name);
            QCOMPARE(QStringLiteral("%1: %2 %3 %4 %5").arg(row.name, port.settings()).arg(cfgetospeed(&settings))
                         .arg(cfgetispeed(&settings)).arg(settings.c_cflag & (CMSPAR | PARODD | CSTOPB)),
                     QStringLiteral("%1: %2 %3 %3 %4").arg(row.name, row.settings).arg(row.speed).arg(row.flags));
        }
    }

    // Refused values change nothing, and a closed port carries nothing either
    // way. (A port number given while open counts at the next open, and what came
    // before the open is no answer: rows of the window test.)
    void propertiesRefuse()
    {
        WindowHarness folder;
        SerialPortControl &port = folder.port();
        QVERIFY(folder.line().write("z") && folder.line().waitUntilQueued(1, 2000));
        QVERIFY(!port.output("a") && !port.errorString().isEmpty() && port.inBufferCount() == 0);
        QCOMPARE(port.input() + folder.line().read(1, 100), QByteArray());
        QVERIFY(port.setPortOpen(true) && port.setInputMode(1) && !port.setCommPort(-1) && !port.setInputMode(2)
                && !port.setInputMode(-1) && !port.setSettings("9600,n,8"));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(port.commPort()).arg(port.inputMode()).arg(port.settings()), "1 1 9600,n,8,1");
        QVERIFY(port.setPortOpen(true) && port.setPortOpen(false) && port.setPortOpen(false)); // each again: no error
    }

    // In: the count, then the buffer's first bytes (the rest is 0x55,
    // leftovers that must stay home), or "scroll" and its text; "lost" sends
    // on a hung-up line, "roomN" at the line's pace on a line with room for N
    // bytes. Out: what SendFrame said, what the line took, the monitor (it
    // held "old"), the sizes of the writes, what the error adds about a cut.
    void sendFrame()
    {
        const QString whole = hex(bytesFrom(71, [](int i) { return 255 - 3 * i; }));
        const QList<std::array<QString, 3>> rows{
            {"nothing", "0", "true||||"}, {"the whole buffer in index order, in one write", "71 " + whole, "true|" + whole + "|" + whole + " |71|"},
            {"a scroll's text in the same write as its opcode", "scroll HELLO", "true|FD 48 45 4C 4C 4F|FD  (HELLO)|6|"},
            {"count below the buffer", "-1 FD", "false||old||"}, {"count beyond the buffer", "72 FD", "false||old||"},
            {"lost line: nothing of the frame is echoed", "lost F9 09", "false||||"},
            {"a line stopping mid-frame: only what it took is echoed, the frame said to be cut", "room4 FC 00 80 80 80",
             "false|FC 00 80 80|FC 00 80 80 |10|the last frame was cut: only 4 of its 10 bytes went out"},
            {"a full line: the frame is not begun", "room0 FC 00", "false||||"}};
        for (const auto &[name, in, out] : rows) {
            const bool lost = in.startsWith("lost"), room = in.startsWith("room"), scroll = in.startsWith("scroll");
            WindowHarness folder;
            SerialPortControl &port = folder.port();
            PtyPair &line = folder.line();
            port.setStallLimit(room ? 200 : 0);
            QVERIFY(port.setPortOpen(true));
            FrameSender sender(port);
            TimerWait wait;
            RecordingMessages messages;
            TextCommands commands({sender, port, wait, messages});
            sender.txBuffer().fill(0x55);
            const QByteArray bytes = QByteArray::fromHex(in.section(' ', 1).toLatin1());
            std::copy(bytes.begin(), bytes.end(), sender.txBuffer().begin());
            sender.appendToMonitor("old");
            if (lost)
                line.closeMaster();
            g_watched = line.slavePath();
            g_room = room ? in.section(' ', 0, 0).mid(4).toInt() : -1;
            const bool sent = scroll ? commands.scrollText(in.section(' ', 1))
                                     : sender.SendFrame(lost || room ? 10 : in.section(' ', 0, 0).toInt());
            const QList<qsizetype> writes = std::exchange(g_writes, {});
            g_watched.clear();
            g_room = -1;
            QStringList sizes;
            for (const qsizetype size : writes)
                sizes << QString::number(size);
            QCOMPARE(QStringLiteral("%1: %2|%3|%4|%5|%6").arg(name, sent ? "true" : "false", hex(line.read(80, 200)),
                                                               sender.monitorText(), sizes.join(' '),
                                                               sent ? QString() : port.errorString().section("; ", 1)),
                     name + ": " + out);
            QVERIFY2(port.portOpen() != (lost || room), qPrintable(name));
        }
    }

    // At the line's pace, as vexel-send writes: the stall limit (short here)
    // counts from the last byte that left, and the drain lasts until the
    // line's queue is empty.
    void atTheLinesPace()
    {
        constexpr int LimitMs = 300;
        const struct { const char *name; int bytes, firstReadMs; bool sent; } rows[] = {
            {"a far end that reads late: the drain waits for it", 1000, LimitMs / 2, true},
            {"a far end reading slowly but steadily, longer than the limit in all", 32 * 1024, 0, true},
            {"a far end that never reads: stopped once the limit is up", 1000, -1, false}};
        for (const auto &row : rows) {
            const auto named = naming(row.name);
            WindowHarness folder;
            SerialPortControl &port = folder.port();
            port.setStallLimit(LimitMs);
            QVERIFY(port.setPortOpen(true));
            std::atomic<bool> reading = false, ended = false;
            g_unread = row.bytes;
            std::thread farEnd([&] { // 25 KiB a second
                QThread::msleep(std::max(row.firstReadMs, 0));
                for (reading = row.firstReadMs >= 0; reading && g_unread > 0 && !ended; QThread::msleep(10))
                    g_unread -= int(folder.line().read(256, 0).size());
            });
            const bool sent = port.output(QByteArray(row.bytes, 'x')) && port.drain(), readFirst = reading;
            ended = true;
            farEnd.join();
            g_unread = -1;
            QVERIFY2(sent == row.sent && readFirst == row.sent && (sent || port.errorString().contains("stopped taking bytes")),
                     qPrintable(port.errorString()));
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
        const qint64 cpuBefore = cpuMilliseconds();
        clock.start();
        QVERIFY(wait.wait());
        const qint64 elapsed = clock.elapsed(), cpu = cpuMilliseconds() - cpuBefore;
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

    // What the panel must do, and the bound it keeps, each measured once.
    // A lost line: closes, says PORT NOT AVAILABLE! once and connects again to
    // the device back; told within 500 ms, 100 ms of processor time in the 2 s after.
    // (Both stores share their wait; Save Bitmap stands for Save Current Screen.)
    void lostAtRest() { lost("rest"); }
    void lostInTheWaitOfSaveBitmap() { lost("Bitmap"); }
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
    void connectWindow();
    QStringList &shown() { return m_harness->messages().shown; }
    std::unique_ptr<WindowHarness> m_harness;
};

void SerialTest::connectWindow()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->click("cmdConnect");
    QVERIFY(m_harness->port().portOpen());
}

void SerialTest::lost(const QString &when)
{
    connectWindow();
    QSignalSpy lostSignals(&m_harness->port(), &PortControl::portLost);
    QElapsedTimer sinceLoss;
    qint64 cpuAtLoss = 0, toldAfter = -1;
    m_harness->messages().onShow = [&](const QString &) { toldAfter = toldAfter < 0 ? sinceLoss.elapsed() : toldAfter; };
    if (when.contains("full")) { // unasked bytes up to the input buffer of 1024 and beyond
        QVERIFY(m_harness->line().write(QByteArray(SerialPortControl::InputBufferSize + 100, '\x55')));
        QTRY_COMPARE(m_harness->port().inBufferCount(), int(SerialPortControl::InputBufferSize));
        // The event loop settles with the buffer full, and idles as at rest.
        const qint64 cpuFull = cpuMilliseconds();
        QTest::qWait(500);
        VERIFY_BELOW(cpuMilliseconds() - cpuFull, 25);
    }
    QTimer::singleShot(30, &m_harness->window(), [&] { cpuAtLoss = cpuMilliseconds(), sinceLoss.start(), m_harness->line().closeMaster(); });
    if (!when.contains("rest"))
        m_harness->click("cmdSaveBitmap"); // returns after its wait
    QTRY_VERIFY_WITH_TIMEOUT(toldAfter >= 0, 2000);
    VERIFY_BELOW(toldAfter, 500);
    QTest::qWait(int(std::max<qint64>(0, 2000 - sinceLoss.elapsed())));
    VERIFY_BELOW(cpuMilliseconds() - cpuAtLoss, 100);
    QVERIFY(shown() == QStringList{PortNotAvailable} && lostSignals.count() == 1);
    // The adapter is plugged in again: a new device under the same name.
    m_harness->run("is port closed; is cmdConnect CONNECT; is Frame3 off; link 1 spare; answer AA; click cmdConnect; "
                   "is cmdConnect Disconnect; click cmdSaveSU; heard F7 1B");
    QCOMPARE(shown(), (QStringList{PortNotAvailable, "Screen Saved As Startup"}));
    QCOMPARE(lostSignals.count(), 1); // the old line's loss is not told again
}

void SerialTest::flood()
{
    connectWindow();
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
        n > 0 ? void(accepted += n) : QTest::qWait(2); // else the program's turn
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
    QVERIFY(shown().isEmpty() && m_harness->port().inBufferCount() == SerialPortControl::InputBufferSize && m_harness->port().portOpen());
}

// The line's own buffers fill up first; behind them the port control keeps
// up to 512 bytes for the line. Whatever would wait beyond that means the
// device is gone: the port closes and the user is told once.
void SerialTest::stalledPeer(bool resumes)
{
    connectWindow();
    const QByteArray pattern = QByteArray("\xFC\x00", 2) + QByteArray(8, '\0'); // what Send Bitmap sends, empty
    PtyPair &line = m_harness->line();
    const qint64 heldBefore = heldBytes();
    int clicks = 0;
    qint64 longest = 0;
    const auto click = [&] { m_harness->click("cmdSendBM"); ++clicks; longest = std::max(longest, m_harness->clickMs()); };
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
        // Every frame that left the window before the failing one waited in
        // the port control, and none of them reached the far end; the frame
        // that would not fit was refused whole.
        const qsizetype waited = (clicks - 1 - beforeFull) * pattern.size();
        QVERIFY(waited <= SerialPortControl::OutputBufferSize && waited + pattern.size() > SerialPortControl::OutputBufferSize);
        QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), QString());
        QVERIFY(drain(line) == early);
        QTest::qWait(100);
        QCOMPARE(shown(), QStringList{PortNotAvailable});
    }
    VERIFY_BELOW(longest, 50);
    VERIFY_BELOW(heldBytes() - heldBefore, MiB);
}

void SerialTest::connectCycles(bool unplugged)
{
    constexpr int Cycles = 50;
    auto line = std::make_unique<PtyPair>();
    m_harness = std::make_unique<WindowHarness>();
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

QTEST_MAIN(SerialTest)
#include "tst_serial.moc"

#include "PtyPair.h"
#include "RunningModule.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The control panel waits this long for an answer to a store.
constexpr int PanelWaitMs = 100;

QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// The test's end of the line, opened raw as the panel opens a port.
class Line
{
public:
    explicit Line(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            m_raw = ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
        }
    }
    ~Line()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isOpen() const { return m_raw; }
    bool write(const QByteArray &data) { return ::write(m_fd, data.constData(), size_t(data.size())) == data.size(); }

    // Everything that arrives within timeoutMs.
    QByteArray read(int timeoutMs)
    {
        QByteArray data;
        QDeadlineTimer deadline(timeoutMs);
        pollfd poller{m_fd, POLLIN, 0};
        char buffer[64];
        while (::poll(&poller, 1, int(deadline.remainingTime())) > 0) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, int(n));
        }
        return data;
    }

private:
    int m_fd = -1;
    bool m_raw = false;
};

} // namespace

class TestModuleProgram : public QObject
{
    Q_OBJECT

private slots:
    void answersStores_data();
    void answersStores();
    void reportsFrames_data();
    void reportsFrames();
    void servesEachConnectionAlone();
    void replacesAStaleLinkAndRemovesItsOwn_data();
    void replacesAStaleLinkAndRemovesItsOwn();
    void keepsStartupScreenAcrossRestart();
    void attachesToADevice();
    void refuses_data();
    void refuses();

private:
    QTemporaryDir m_dir;
};

void TestModuleProgram::answersStores_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("inTime");
    QTest::addColumn<QByteArray>("late");

    QTest::newRow("default: AA at once") << QStringList{} << bytes("AA") << QByteArray();
    QTest::newRow("none") << QStringList{"--ack", "none"} << QByteArray() << QByteArray();
    QTest::newRow("another byte") << QStringList{"--ack", "byte:55"} << bytes("55") << QByteArray();
    QTest::newRow("double") << QStringList{"--ack", "double"} << bytes("AAAA") << QByteArray();
    QTest::newRow("after the panel's wait") << QStringList{"--ack", "delay:300"} << QByteArray() << bytes("AA");
}

void TestModuleProgram::answersStores()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, inTime);
    QFETCH(QByteArray, late);
    RunningModule module(m_dir.path());
    QVERIFY(module.start(options));
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
    for (const QByteArray &store : {bytes("F9 03 10 00 00 00 00 00 00 00"), bytes("F7 1B")}) {
        QVERIFY(line.write(store));
        QCOMPARE(line.read(PanelWaitMs), inTime);
        QCOMPARE(line.read(500), late);
    }
}

void TestModuleProgram::reportsFrames_data()
{
    QTest::addColumn<QStringList>("writes"); // in hex, gapMs apart
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("split with short gaps") << QStringList{"F9 09", "10 00 00", "00 00 00 00 00"} << 5
        << QStringList{"frame F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9"} << bytes("AA");
    QTest::newRow("joined in one write") << QStringList{"F8 03 00 FE 00 09 FC 01 10 00 00 00 00 00 00 00"} << 0
        << QStringList{"frame F8 03 00 animate arrow=left pos=0", "frame FE 00 09 static-chars first=^0 second=^9",
                       "frame FC 01 10 00 00 00 00 00 00 00 display-bitmap pos=1"} << QByteArray();
    QTest::newRow("scroll text ended by the silence after it") << QStringList{"FD 48 49"} << 0
        << QStringList{"frame FD 48 49 scroll-text text=\"HI\" end=pause"} << QByteArray();
    QTest::newRow("a long gap cuts a bitmap short") << QStringList{"FC 01 10", "F7 1B"} << 300
        << QStringList{"frame FC 01 10 cut-short display-bitmap (3 of 10 bytes)", "frame F7 1B save-startup"}
        << bytes("AA");
    QTest::newRow("bad and cut-short stores get no answer")
        << QStringList{"F9 0A 00 00 00 00 00 00 00 00 F7 00 F9 05 10"} << 0
        << QStringList{"frame F9 0A 00 00 00 00 00 00 00 00 bad save-bitmap slot=10",
                       "frame F7 00 bad save-startup marker=0x00",
                       "frame F9 05 10 cut-short save-bitmap (3 of 10 bytes)"}
        << QByteArray();
}

void TestModuleProgram::reportsFrames()
{
    QFETCH(QStringList, writes);
    QFETCH(int, gapMs);
    QFETCH(QStringList, frames);
    QFETCH(QByteArray, answer);
    RunningModule module(m_dir.path());
    QVERIFY(module.start());
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
    for (const QString &chunk : writes) {
        QVERIFY(line.write(bytes(qPrintable(chunk))));
        QTest::qSleep(gapMs);
    }
    for (const QString &frame : frames)
        QVERIFY2(module.waitFor(QStringLiteral("frame ")), qPrintable(frame));
    QCOMPARE(module.frameLines(), frames);
    QCOMPARE(line.read(PanelWaitMs), answer);
}

// Each connection gets the answers to its own stores: one that finds the
// line closed does not wait in the pty for whoever opens it next.
void TestModuleProgram::servesEachConnectionAlone()
{
    RunningModule module(m_dir.path());
    QVERIFY(module.start({"--ack", "delay:200"}));
    {
        Line line(module.linkPath());
        QVERIFY(line.isOpen());
        QVERIFY(line.write(bytes("F7 1B")));
    }
    QVERIFY(module.waitFor(QStringLiteral("answer AA dropped: line closed")));
    Line next(module.linkPath());
    QVERIFY(next.isOpen());
    QVERIFY(next.write(bytes("F7 1B")));
    QCOMPARE(next.read(500), bytes("AA"));
}

void TestModuleProgram::replacesAStaleLinkAndRemovesItsOwn_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A link left by a module that died leads nowhere; it is replaced, and the new one goes at the end.
void TestModuleProgram::replacesAStaleLinkAndRemovesItsOwn()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(QFile::link("/nonexistent/pts/99", dir.filePath("COM1")));
    RunningModule module(dir.path());
    QVERIFY(module.start());
    QVERIFY(QFileInfo(module.linkPath()).symLinkTarget().startsWith("/dev/pts/"));
    QVERIFY(Line(module.linkPath()).isOpen());
    QVERIFY(module.stop(signal));
    QVERIFY(!QFileInfo(module.linkPath()).isSymLink());
}

// The start-up screen shows ^3 from slot 3; after a restart the screen and the slot are back.
void TestModuleProgram::keepsStartupScreenAcrossRestart()
{
    QTemporaryDir dir;
    const QStringList box = {"######## ........", "#......# ........", "#......# ........", "#......# ........",
                             "#......# ........", "#......# ........", "#......# ........", "######## ........"};
    {
        RunningModule module(dir.path());
        QVERIFY(module.start());
        Line line(module.linkPath());
        QVERIFY(line.isOpen());
        QVERIFY(line.write(bytes("F9 03 FF 18 18 18 18 18 18 FF FE 03 20 F7 1B FE 41 41")));
        QVERIFY(module.waitFor(QStringLiteral("frame FE 41 41")));
        QVERIFY(module.stop(SIGTERM));
    }
    RunningModule restarted(dir.path());
    QVERIFY(restarted.start());
    QCOMPARE(restarted.startupDisplay(), box);
    Line line(restarted.linkPath());
    QVERIFY(line.isOpen());
    QVERIFY(line.write(bytes("FE 03 20")));
    QVERIFY(restarted.waitFor(QStringLiteral("frame FE 03 20")));
    QCOMPARE(restarted.nextDisplay(), box);
}

void TestModuleProgram::attachesToADevice()
{
    PtyPair adapter;
    QVERIFY2(adapter.isValid(), qPrintable(adapter.errorString()));
    QTemporaryDir dir;
    QProcess process;
    process.start(VEXEL_MODULE_PATH, {"--headless", "--dir", dir.path(), "--device", adapter.slavePath()});
    QVERIFY(process.waitForReadyRead(5000));
    QCOMPARE(process.readLine(), "device " + adapter.slavePath().toLocal8Bit() + '\n');
    QVERIFY(adapter.write(bytes("F9 01 10 00 00 00 00 00 00 00")));
    QCOMPARE(adapter.read(1, 1000), bytes("AA"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("COM1"))));
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.readAllStandardOutput().contains("frame F9 01 10 00 00 00 00 00 00 00 save-bitmap slot=1\n"));
}

void TestModuleProgram::refuses_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("inTheWay"); // what COM1 already is: nothing, a file, or a link to a device

    QTest::newRow("COM1 is a plain file") << QStringList{} << "file";
    QTest::newRow("COM1 leads to a real device") << QStringList{} << "/dev/null";
    QTest::newRow("unknown answer") << QStringList{"--ack", "sometimes"} << "";
    QTest::newRow("answer byte of three digits") << QStringList{"--ack", "byte:1AA"} << "";
    QTest::newRow("port 0") << QStringList{"--port", "0"} << "";
    QTest::newRow("missing folder") << QStringList{"--dir", "/nonexistent/vexel"} << "";
}

// The module ends with an error and leaves whatever COM1 was alone.
void TestModuleProgram::refuses()
{
    QFETCH(QStringList, options);
    QFETCH(QString, inTheWay);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("COM1")));
    if (inTheWay == "file")
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep me") == 7 && file.flush());
    else if (!inTheWay.isEmpty())
        QVERIFY(QFile::link(inTheWay, file.fileName()));
    file.close();
    QProcess process;
    process.start(QStringLiteral(VEXEL_MODULE_PATH), QStringList{"--headless", "--dir", dir.path()} + options);
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.exitCode() != 0);
    QVERIFY(!process.readAllStandardError().isEmpty());
    QVERIFY(!process.readAllStandardOutput().contains("link "));
    QCOMPARE(QFileInfo(file.fileName()).symLinkTarget(), inTheWay == "file" ? QString() : inTheWay);
    QCOMPARE(QFileInfo::exists(file.fileName()), !inTheWay.isEmpty());
    if (inTheWay == "file") {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }
}

QTEST_GUILESS_MAIN(TestModuleProgram)
#include "tst_moduleprogram.moc"

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

// The test's end of the line, opened as the panel opens a port.
class Line
{
public:
    explicit Line(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios settings{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::cfsetspeed(&settings, B9600);
            m_raw = ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
        }
    }
    ~Line() { close(); }

    bool isOpen() const { return m_fd >= 0 && m_raw; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool write(const QByteArray &data) { return ::write(m_fd, data.constData(), size_t(data.size())) == data.size(); }

    // Everything that arrives within timeoutMs.
    QByteArray read(int timeoutMs)
    {
        QByteArray data;
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            pollfd poller{m_fd, POLLIN, 0};
            if (::poll(&poller, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buffer[64];
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
    void answersNothingElse();
    void reportsFrames_data();
    void reportsFrames();
    void servesTheNextConnection();
    void keepsNoAnswerForTheNextConnection();
    void removesItsLink_data();
    void removesItsLink();
    void keepsStartupScreenAcrossRestart();
    void replacesAStaleLink();
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

void TestModuleProgram::answersNothingElse()
{
    RunningModule module(m_dir.path());
    QVERIFY(module.start());
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
    QVERIFY(line.write(bytes("FC 00 10 00 00 00 00 00 00 00 F8 00 01 FE 41 42 FA 21 F9 0A 00 00 00 00 00 00 00 00"
                             "F7 00 FD 41 F9 05 10")));
    QCOMPARE(line.read(300), QByteArray());
    QVERIFY(module.waitFor(QStringLiteral("frame F9 05 10 cut-short")));
    QCOMPARE(module.frameLines().size(), 8);
}

void TestModuleProgram::reportsFrames_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("frames");

    QTest::newRow("split with short gaps")
        << QList<QByteArray>{bytes("F9 09"), bytes("10 00 00"), bytes("00 00 00 00 00")} << 5
        << QStringList{"frame F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9"};
    QTest::newRow("joined in one write")
        << QList<QByteArray>{bytes("F8 03 00 FE 00 09")} << 0
        << QStringList{"frame F8 03 00 animate arrow=left pos=0", "frame FE 00 09 static-chars first=^0 second=^9"};
    QTest::newRow("scroll text ended by the silence after it")
        << QList<QByteArray>{bytes("FD 48 49")} << 0 << QStringList{"frame FD 48 49 scroll-text text=\"HI\" end=pause"};
    QTest::newRow("a long gap cuts a bitmap short")
        << QList<QByteArray>{bytes("FC 01 10"), bytes("F7 1B")} << 300
        << QStringList{"frame FC 01 10 cut-short display-bitmap (3 of 10 bytes)", "frame F7 1B save-startup"};
}

void TestModuleProgram::reportsFrames()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(int, gapMs);
    QFETCH(QStringList, frames);
    RunningModule module(m_dir.path());
    QVERIFY(module.start());
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
    for (const QByteArray &chunk : writes) {
        QVERIFY(line.write(chunk));
        QTest::qSleep(gapMs);
    }
    for (const QString &frame : frames)
        QVERIFY2(module.waitFor(QStringLiteral("frame ")), qPrintable(frame));
    QCOMPARE(module.frameLines(), frames);
}

void TestModuleProgram::servesTheNextConnection()
{
    RunningModule module(m_dir.path());
    QVERIFY(module.start());
    for (int round = 0; round < 3; ++round) {
        Line line(module.linkPath());
        QVERIFY(line.isOpen());
        QVERIFY(line.write(bytes("F7 1B")));
        QCOMPARE(line.read(PanelWaitMs), bytes("AA"));
        line.close();
        QVERIFY(module.waitFor(QStringLiteral("line closed")));
    }
    QCOMPARE(module.process().state(), QProcess::Running);
}

// An answer that finds the line closed must not wait in the pty for whoever opens it next.
void TestModuleProgram::keepsNoAnswerForTheNextConnection()
{
    RunningModule module(m_dir.path());
    QVERIFY(module.start({"--ack", "delay:200"}));
    {
        Line line(module.linkPath());
        QVERIFY(line.isOpen());
        QVERIFY(line.write(bytes("F7 1B")));
    }
    QVERIFY(module.waitFor(QStringLiteral("answer AA")));
    Line next(module.linkPath());
    QVERIFY(next.isOpen());
    QCOMPARE(next.read(PanelWaitMs), QByteArray());
    QCOMPARE(module.seen().last(), QStringLiteral("answer AA dropped: line closed"));
}

void TestModuleProgram::removesItsLink_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestModuleProgram::removesItsLink()
{
    QFETCH(int, signal);
    RunningModule module(m_dir.path());
    QVERIFY(module.start());
    QVERIFY(QFileInfo(module.linkPath()).isSymLink());
    QVERIFY(module.stop(signal));
    QVERIFY(!QFileInfo(module.linkPath()).isSymLink());
}

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
        QVERIFY(line.write(bytes("F9 03 FF 18 18 18 18 18 18 FF")));
        QCOMPARE(line.read(PanelWaitMs), bytes("AA"));
        QVERIFY(line.write(bytes("FE 03 20 F7 1B")));
        QCOMPARE(line.read(PanelWaitMs), bytes("AA"));
        QVERIFY(line.write(bytes("FE 41 41")));
        QVERIFY(module.waitFor(QStringLiteral("frame FE 41 41")));
        QVERIFY(module.stop(SIGTERM));
    }
    RunningModule restarted(dir.path());
    QVERIFY(restarted.start());
    QCOMPARE(restarted.startupDisplay(), box);

    // The slot survived too: ^3 on the right shows the same box there.
    Line line(restarted.linkPath());
    QVERIFY(line.isOpen());
    QVERIFY(line.write(bytes("FE 20 03")));
    QVERIFY(restarted.waitFor(QStringLiteral("frame FE 20 03")));
    QStringList mirrored;
    for (const QString &row : box)
        mirrored << row.right(8) + QLatin1Char(' ') + row.left(8);
    QCOMPARE(restarted.nextDisplay(), mirrored);
}

void TestModuleProgram::replacesAStaleLink()
{
    QTemporaryDir dir;
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), dir.filePath(QStringLiteral("COM1"))));
    RunningModule module(dir.path());
    QVERIFY(module.start());
    QVERIFY(QFileInfo(module.linkPath()).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));
    Line line(module.linkPath());
    QVERIFY(line.isOpen());
}

void TestModuleProgram::attachesToADevice()
{
    PtyPair adapter;
    QVERIFY2(adapter.isValid(), qPrintable(adapter.errorString()));
    QTemporaryDir dir;
    QProcess process;
    process.start(QStringLiteral(VEXEL_MODULE_PATH), {"--headless", "--dir", dir.path(), "--device", adapter.slavePath()});
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
    QTest::addColumn<QString>("inTheWay"); // what COM1 already is: "", "file" or "device link"

    QTest::newRow("COM1 is a plain file") << QStringList{} << "file";
    QTest::newRow("COM1 leads to a real device") << QStringList{} << "device link";
    QTest::newRow("unknown answer") << QStringList{"--ack", "sometimes"} << "";
    QTest::newRow("answer byte of three digits") << QStringList{"--ack", "byte:1AA"} << "";
    QTest::newRow("port 0") << QStringList{"--port", "0"} << "";
    QTest::newRow("missing folder") << QStringList{"--dir", "/nonexistent/vexel"} << "";
}

void TestModuleProgram::refuses()
{
    QFETCH(QStringList, options);
    QFETCH(QString, inTheWay);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("COM1")));
    if (inTheWay == "file") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write("keep me"), 7);
        file.close();
    } else if (inTheWay == "device link") {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), file.fileName()));
    }
    QProcess process;
    process.start(QStringLiteral(VEXEL_MODULE_PATH), QStringList{"--headless", "--dir", dir.path()} + options);
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(process.exitCode() != 0);
    QVERIFY(!process.readAllStandardError().isEmpty());
    QVERIFY(!process.readAllStandardOutput().contains("link "));
    QFileInfo info(file.fileName());
    QCOMPARE(info.exists(), !inTheWay.isEmpty());
    if (inTheWay == "file") {
        QVERIFY(!info.isSymLink());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    } else if (inTheWay == "device link") {
        QCOMPARE(info.symLinkTarget(), "/dev/null");
    }
}

QTEST_GUILESS_MAIN(TestModuleProgram)
#include "tst_moduleprogram.moc"

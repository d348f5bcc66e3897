#include "PortSurvey.h"
#include "PtyPair.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &content = QByteArray())
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A program folder and stand-ins for /dev and /sys; /proc stays the real one.
struct Machine
{
    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("program"));
    QString dev = root.filePath(QStringLiteral("dev"));
    QString sys = root.filePath(QStringLiteral("sys"));

    Machine() { QDir().mkpath(program); QDir().mkpath(dev); }
    PortSurvey survey() const { return PortSurvey(program, dev, QStringLiteral("/proc"), sys); }
    QString com(int n) const { return QStringLiteral("%1/COM%2").arg(program).arg(n); }
};

} // namespace

class TestVexelPorts : public QObject
{
    Q_OBJECT

private slots:
    void mapsPortNumbers_data();
    void mapsPortNumbers();
    void reportsALinkedPty();
    void tellsWhenNothingIsBehindAPort();
    void describes_data();
    void describes();
    void suggestsLinksForUsbDevices();
    void printsTheReport();
};

void TestVexelPorts::mapsPortNumbers_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");

    QTest::newRow("port 1 without a link") << 1 << "dev/ttyS0";
    QTest::newRow("port 20 without a link") << 20 << "dev/ttyS19";
    QTest::newRow("port 2 linked") << 2 << "program/COM2";
    QTest::newRow("port 3 with a dangling link") << 3 << "program/COM3";
    QTest::newRow("port 4 with a plain file in the way") << 4 << "program/COM4";
    QTest::newRow("port 5 linked to another port's device") << 5 << "program/COM5";
}

void TestVexelPorts::mapsPortNumbers()
{
    QFETCH(int, number);
    QFETCH(QString, path);
    Machine machine;
    QVERIFY(writeFile(machine.dev + QStringLiteral("/ttyS0")));
    QVERIFY(QFile::link(machine.dev + QStringLiteral("/ttyS0"), machine.com(2)));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB7"), machine.com(3)));
    QVERIFY(writeFile(machine.com(4)));
    QVERIFY(QFile::link(machine.dev + QStringLiteral("/ttyS0"), machine.com(5)));
    QCOMPARE(machine.survey().portPath(number), machine.root.filePath(path));
}

void TestVexelPorts::reportsALinkedPty()
{
    Machine machine;
    PtyPair pty;
    QVERIFY2(pty.isValid(), qPrintable(pty.errorString()));
    QVERIFY(QFile::link(pty.slavePath(), machine.com(3)));
    const PortSurvey survey = machine.survey();

    const PortSurvey::PortStatus status = survey.status(3, survey.openFiles());
    QVERIFY(status.viaLink);
    QCOMPARE(status.path, machine.com(3));
    QCOMPARE(status.device, pty.slavePath());
    QCOMPARE(status.accessible, ::access(qPrintable(pty.slavePath()), R_OK | W_OK) == 0);
    QVERIFY(!status.noHardware);
    bool heldByUs = false;
    for (const PortSurvey::Holder &holder : status.holders)
        heldByUs = heldByUs || holder.pid == QCoreApplication::applicationPid();
    QVERIFY(heldByUs);

    const PortSurvey::PortStatus unlinked = survey.status(2, survey.openFiles());
    QVERIFY(!unlinked.viaLink);
    QVERIFY(unlinked.device.isEmpty());
    QVERIFY(unlinked.holders.isEmpty());
}

void TestVexelPorts::tellsWhenNothingIsBehindAPort()
{
    Machine machine;
    QVERIFY(writeFile(machine.dev + QStringLiteral("/ttyS0")));
    QVERIFY(writeFile(machine.sys + QStringLiteral("/class/tty/ttyS0/type"), "0\n"));
    QVERIFY(writeFile(machine.dev + QStringLiteral("/ttyS1")));
    QVERIFY(writeFile(machine.sys + QStringLiteral("/class/tty/ttyS1/type"), "4\n"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB7"), machine.com(3)));
    const PortSurvey survey = machine.survey();
    const PortSurvey::OpenFiles none;

    QVERIFY(survey.status(1, none).noHardware);
    QVERIFY(!survey.status(2, none).noHardware);
    QVERIFY(!survey.status(2, none).device.isEmpty());
    QCOMPARE(PortSurvey::describe(survey.status(3, none)), QStringLiteral("missing: the link leads nowhere"));
    QCOMPARE(PortSurvey::describe(survey.status(4, none)), QStringLiteral("missing"));
}

void TestVexelPorts::describes_data()
{
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<bool>("noHardware");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("text");

    const QString dialout = QStringLiteral("you may not open it: join the dialout group with "
                                           "`sudo usermod -aG dialout $USER`, then log in again");
    QTest::newRow("free to use") << true << false << false << "present; you may open it";
    QTest::newRow("not permitted") << false << false << false << "present; " + dialout;
    QTest::newRow("held by two processes")
        << true << false << true << "present; you may open it; held open by 41 (vexelapp), 42 (minicom)";
    QTest::newRow("not permitted, no hardware")
        << false << true << false << "present, but no serial hardware behind it; " + dialout;
}

void TestVexelPorts::describes()
{
    QFETCH(bool, accessible);
    QFETCH(bool, noHardware);
    QFETCH(bool, held);
    QFETCH(QString, text);
    PortSurvey::PortStatus status;
    status.number = 1;
    status.path = status.device = QStringLiteral("/dev/ttyS0");
    status.accessible = accessible;
    status.noHardware = noHardware;
    if (held)
        status.holders = {{41, QStringLiteral("vexelapp")}, {42, QStringLiteral("minicom")}};
    QCOMPARE(PortSurvey::describe(status), text);
}

void TestVexelPorts::suggestsLinksForUsbDevices()
{
    Machine machine;
    for (const char *name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"})
        QVERIFY(writeFile(machine.dev + QLatin1Char('/') + QLatin1String(name)));
    QDir().mkpath(machine.dev + QStringLiteral("/serial/by-id"));
    const QString byId = machine.dev + QStringLiteral("/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0");
    QVERIFY(QFile::link(QStringLiteral("../../ttyUSB1"), byId));
    QVERIFY(QFile::link(machine.dev + QStringLiteral("/ttyACM0"), machine.com(1)));
    QVERIFY(writeFile(machine.com(2)));
    const PortSurvey survey = machine.survey();

    const QList<PortSurvey::UsbDevice> devices = survey.usbDevices();
    QCOMPARE(devices.size(), 3);
    QCOMPARE(devices.at(0).path, machine.dev + QStringLiteral("/ttyACM0"));
    QCOMPARE(devices.at(0).port, 1);
    QCOMPARE(devices.at(1).path, machine.dev + QStringLiteral("/ttyUSB0"));
    QCOMPARE(devices.at(1).port, 0);
    QCOMPARE(devices.at(2).path, byId);
    QCOMPARE(devices.at(2).device, machine.dev + QStringLiteral("/ttyUSB1"));
    QCOMPARE(devices.at(2).port, 0);

    QCOMPARE(survey.freePorts().mid(0, 2), (QList<int>{3, 4}));
    QCOMPARE(survey.linkCommand(byId, 3), QStringLiteral("ln -s %1 %2").arg(byId, machine.com(3)));
}

void TestVexelPorts::printsTheReport()
{
    Machine machine;
    PtyPair pty;
    QVERIFY(pty.isValid());
    QVERIFY(QFile::link(pty.slavePath(), machine.com(1)));
    QProcess process;
    process.start(QStringLiteral(VEXEL_PORTS_PATH), {"--dir", machine.program, "--suggest"});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    const QStringList portLines = lines.filter(QRegularExpression(QStringLiteral("^port ")));
    QCOMPARE(portLines.size(), PortSurvey::PortCount);
    QVERIFY2(portLines.first().startsWith(QStringLiteral("port 1  %1 -> %2  present").arg(machine.com(1), pty.slavePath())),
             qPrintable(portLines.first()));
    QVERIFY2(portLines.first().contains(QStringLiteral("held open by %1 (").arg(QCoreApplication::applicationPid())),
             qPrintable(portLines.first()));
    QVERIFY(portLines.at(1).startsWith(QLatin1String("port 2  /dev/ttyS1  ")));
}

QTEST_GUILESS_MAIN(TestVexelPorts)
#include "tst_vexelports.moc"

#include "PortSurvey.h"
#include "PtyPair.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    void surveysEachPort_data();
    void surveysEachPort();
    void describes_data();
    void describes();
    void suggestsLinksForUsbDevices();
    void printsTheReport();
};

void TestVexelPorts::surveysEachPort_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");

    QTest::newRow("port 1: a ttyS node with no UART")
        << 1 << "dev/ttyS0" << "present, but no serial hardware behind it; you may open it";
    QTest::newRow("port 2: a ttyS node with a UART") << 2 << "dev/ttyS1" << "present; you may open it";
    QTest::newRow("port 3: a dangling link") << 3 << "program/COM3" << "missing: the link leads nowhere";
    QTest::newRow("port 4: a plain file in the way") << 4 << "program/COM4" << "present; you may open it";
    QTest::newRow("port 5: a link to port 2's device") << 5 << "program/COM5" << "present; you may open it";
    QTest::newRow("port 6: nothing there") << 6 << "dev/ttyS5" << "missing";
}

void TestVexelPorts::surveysEachPort()
{
    QFETCH(int, number);
    QFETCH(QString, path);
    QFETCH(QString, text);
    Machine machine;
    QVERIFY(writeFile(machine.dev + "/ttyS0") && writeFile(machine.sys + "/class/tty/ttyS0/type", "0\n"));
    QVERIFY(writeFile(machine.dev + "/ttyS1") && writeFile(machine.sys + "/class/tty/ttyS1/type", "4\n"));
    QVERIFY(QFile::link("/nonexistent/ttyUSB7", machine.com(3)));
    QVERIFY(writeFile(machine.com(4)));
    QVERIFY(QFile::link(machine.dev + "/ttyS1", machine.com(5)));
    QCOMPARE(machine.survey().portPath(number), machine.root.filePath(path));
    QCOMPARE(PortSurvey::describe(machine.survey().status(number, {})), text);
}

void TestVexelPorts::describes_data()
{
    QTest::addColumn<bool>("accessible");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("text");

    QTest::newRow("not permitted") << false << false
        << "present; you may not open it: join the dialout group with `sudo usermod -aG dialout $USER`, "
           "then log in again";
    QTest::newRow("held by two processes")
        << true << true << "present; you may open it; held open by 41 (vexelapp), 42 (minicom)";
}

void TestVexelPorts::describes()
{
    QFETCH(bool, accessible);
    QFETCH(bool, held);
    QFETCH(QString, text);
    PortSurvey::PortStatus status{1, "/dev/ttyS0", false, "/dev/ttyS0", accessible, false, {}};
    if (held)
        status.holders = {{41, "vexelapp"}, {42, "minicom"}};
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

    // One line per device: the stable name when there is one, where it leads, and the port already reaching it.
    QStringList devices;
    for (const PortSurvey::UsbDevice &device : survey.usbDevices())
        devices << QStringLiteral("%1 %2 %3").arg(device.path, device.device).arg(device.port);
    const QString &dev = machine.dev;
    QCOMPARE(devices, (QStringList{dev + "/ttyACM0 " + dev + "/ttyACM0 1", dev + "/ttyUSB0 " + dev + "/ttyUSB0 0",
                                   byId + ' ' + dev + "/ttyUSB1 0"}));

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
    QVERIFY2(portLines.first().startsWith(QString("port 1  %1 -> %2  present").arg(machine.com(1), pty.slavePath())),
             qPrintable(portLines.first()));
    QVERIFY2(portLines.first().contains(QStringLiteral("held open by %1 (").arg(QCoreApplication::applicationPid())),
             qPrintable(portLines.first()));
    QVERIFY(portLines.at(1).startsWith(QLatin1String("port 2  /dev/ttyS1  ")));
}

QTEST_GUILESS_MAIN(TestVexelPorts)
#include "tst_vexelports.moc"

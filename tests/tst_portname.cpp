#include "PortName.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

class TestPortName : public QObject
{
    Q_OBJECT
private slots:
    void builtInName_data();
    void builtInName();
    void devicePath_data();
    void devicePath();
};

void TestPortName::builtInName_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<PortNaming>("naming");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Linux port 1 is the first serial device") << 1 << PortNaming::Linux << "/dev/ttyS0";
    QTest::newRow("Linux port 20") << 20 << PortNaming::Linux << "/dev/ttyS19";
    QTest::newRow("Linux port 0 names nothing") << 0 << PortNaming::Linux << "";
    QTest::newRow("Linux negative number") << -1 << PortNaming::Linux << "";
    QTest::newRow("Windows port 3") << 3 << PortNaming::Windows << "COM3";
    QTest::newRow("Windows port 20") << 20 << PortNaming::Windows << "COM20";
    QTest::newRow("Windows port 0 names nothing") << 0 << PortNaming::Windows << "";
    QTest::newRow("macOS has no built-in names") << 1 << PortNaming::OtherUnix << "";
}

void TestPortName::builtInName()
{
    QFETCH(int, number);
    QFETCH(PortNaming, naming);
    QTEST(builtInPortName(number, naming), "expected");
}

// Each entry of "links" is "name>target", created as a symbolic link in the
// program folder; "file:name" creates a plain file instead. "$DIR" stands for
// the program folder, which also holds dev/ttyUSB0, a stand-in device.
void TestPortName::devicePath_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    const QString toDevice = QStringLiteral(">$DIR/dev/ttyUSB0");
    QTest::newRow("COM link present") << 3 << QStringList{"COM3" + toDevice} << "$DIR/dev/ttyUSB0";
    QTest::newRow("COM link absent") << 3 << QStringList{} << "/dev/ttyS2";
    QTest::newRow("another port's link is not used") << 4 << QStringList{"COM3" + toDevice} << "/dev/ttyS3";
    QTest::newRow("port 0 even with a COM0 link") << 0 << QStringList{"COM0" + toDevice} << "";
    QTest::newRow("port 20 without a link") << 20 << QStringList{} << "/dev/ttyS19";
    QTest::newRow("COM1 is not COM12") << 1 << QStringList{"COM12" + toDevice} << "/dev/ttyS0";
    QTest::newRow("two-digit port") << 12 << QStringList{"COM12" + toDevice} << "$DIR/dev/ttyUSB0";
    QTest::newRow("chain of links") << 5 << QStringList{"COM5>$DIR/a", "a>b", "b" + toDevice} << "$DIR/dev/ttyUSB0";
    QTest::newRow("relative link") << 6 << QStringList{"COM6>dev/ttyUSB0"} << "$DIR/dev/ttyUSB0";
    QTest::newRow("link through a linked folder") << 7 << QStringList{"d>dev", "COM7>d/ttyUSB0"} << "$DIR/dev/ttyUSB0";
    QTest::newRow("dangling link is kept, not replaced") << 8 << QStringList{"COM8>$DIR/dev/gone"} << "$DIR/COM8";
    QTest::newRow("plain entry is the device itself") << 9 << QStringList{"file:COM9"} << "$DIR/COM9";
    QTest::newRow("names are case-sensitive") << 3 << QStringList{"com3" + toDevice} << "/dev/ttyS2";
}

void TestPortName::devicePath()
{
    if (hostPortNaming() != PortNaming::Linux)
        QSKIP("The fallback names in this table are the Linux ones");
    QFETCH(int, number);
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);

    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString dir = QDir(temporary.path()).canonicalPath();
    QDir folder(dir);
    QVERIFY(folder.mkdir(QStringLiteral("dev")));
    QFile device(folder.filePath(QStringLiteral("dev/ttyUSB0")));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();

    for (const QString &entry : entries) {
        if (entry.startsWith(QLatin1String("file:"))) {
            QFile file(folder.filePath(entry.mid(5)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            continue;
        }
        const QStringList parts = entry.split(QLatin1Char('>'));
        QCOMPARE(parts.size(), 2);
        QString target = parts[1];
        target.replace(QLatin1String("$DIR"), dir);
        const QByteArray link = QFile::encodeName(folder.filePath(parts[0]));
        QVERIFY2(::symlink(QFile::encodeName(target).constData(), link.constData()) == 0, qPrintable(entry));
    }

    expected.replace(QLatin1String("$DIR"), dir);
    QCOMPARE(portDevicePath(number, dir), expected);
}

QTEST_APPLESS_MAIN(TestPortName)
#include "tst_portname.moc"

#include "AppLook.h"
#include "IniReader.h"
#include "ListBox.h"
#include "WindowHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {

constexpr qsizetype MiB = 1024 * 1024;

// Ten MiB of short lines of another section, as a file grown by some other tool.
QByteArray tenMiBOfOtherLines()
{
    const QByteArray line("Key=0123456789abcdef\n");
    return "[Other]\n" + line.repeated(10 * MiB / line.size());
}

} // namespace

// Start-up over settings files as they come from editors, other tools and
// damaged disks, and the lookup over every case the fuzzer kept.
class SettingsFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }

    void startUpIsUsable_data();
    void startUpIsUsable();
    void corpusReplays_data();
    void corpusReplays();
};

void SettingsFaultsTest::startUpIsUsable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("port"); // the port preselected and connected to

    QTest::newRow("0 bytes") << QByteArray() << 1;
    QTest::newRow("10 MiB, the port first") << "[Settings]\nCommPort=4\n" + tenMiBOfOtherLines() << 4;
    QTest::newRow("10 MiB, the port last") << tenMiBOfOtherLines() + "[Settings]\nCommPort=5\n" << 5;
    QTest::newRow("10 MiB in one line") << QByteArray(10 * MiB, 'x') + "\n[Settings]\nCommPort=6\n" << 6;
    QTest::newRow("10 MiB of NUL bytes") << QByteArray(10 * MiB, '\0') << 1;
    QTest::newRow("NUL bytes in the lines") << QByteArrayLiteral("[Settings]\0junk\n\0\0\nCommPort=7\0 9\n") << 7;
    QTest::newRow("without a final newline") << QByteArray("[Settings]\nCommPort=8") << 8;
    QTest::newRow("CR LF line ends") << QByteArray("[Other]\r\nCommPort=2\r\n[Settings]\r\nCommPort=9\r\n") << 9;
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF[Settings]\nCommPort=10\n") << 10;
    QTest::newRow("byte-order mark, CR LF, no final newline")
        << QByteArray("\xEF\xBB\xBF[Settings]\r\nCommPort=11") << 11;
}

void SettingsFaultsTest::startUpIsUsable()
{
    QFETCH(QByteArray, file);
    QFETCH(int, port);
    WindowHarness harness(file);
    QCOMPARE(QFileInfo(harness.filePath("vexel.ini")).size(), file.size());
    harness.linkPort(port, harness.line().slavePath());

    QElapsedTimer clock;
    clock.start();
    harness.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&harness.window()));
    const qint64 startUp = clock.elapsed();
    qInfo("start-up took %lld ms", startUp);
    QVERIFY2(startUp < 1000, qPrintable(QStringLiteral("start-up took %1 ms").arg(startUp)));

    auto *ports = harness.control<ListBox>("cboComm");
    QCOMPARE(ports->listIndex(), port - 1);
    QCOMPARE(ports->currentText(), QString::number(port));
    harness.connect();
    QCOMPARE(harness.window().commPortText(), QString::number(port));
    harness.click("cmdSaveSU");
    QCOMPARE(harness.line().read(2, 500), QByteArray("\xF7\x1B"));
    QCOMPARE(harness.messages().shown, QStringList());
}

void SettingsFaultsTest::corpusReplays_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(VEXEL_FUZZ_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 10, qPrintable(corpus.path()));
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

// The same checks as the fuzz target: no crash, no hang, and every answer a
// piece of the file that fits the value buffer.
void SettingsFaultsTest::corpusReplays()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    const std::pair<QString, QString> lookups[] = {
        {"Settings", "CommPort"}, {" settings ", "COMMPORT"}, {"Settings", "Missing"}, {"", ""}};
    for (const auto &[section, key] : lookups) {
        QElapsedTimer clock;
        clock.start();
        const QString value = readIniValue(path, section, key);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
        const QByteArray bytes = value.toLatin1();
        QVERIFY(bytes.size() <= 254);
        QVERIFY(!bytes.contains('\n') && !bytes.contains('\0'));
        QVERIFY2(content.contains(bytes), qPrintable(value));
        const int index = startupPortIndex(value);
        QVERIFY(index >= -1 && index <= 19);
    }
}

QTEST_MAIN(SettingsFaultsTest)
#include "tst_settingsfaults.moc"

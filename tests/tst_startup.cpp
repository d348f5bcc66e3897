#include "ListBox.h"
#include "WindowHarness.h"

#include <QFile>
#include <QTest>

// What start-up makes of the settings file: the preselected port, the other
// lists' fixed choices, and a file that is only ever read.
class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void preselectsTheStoredPort_data();
    void preselectsTheStoredPort();
    void fillsTheOtherLists();
    void neverWritesTheSettingsFile();
};

void StartupTest::preselectsTheStoredPort_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("commPortText");
    QTest::newRow("port 1") << QByteArray("[Settings]\nCommPort=1\n") << 0 << "1" << "1";
    QTest::newRow("port 3") << QByteArray("[Settings]\nCommPort=3\n") << 2 << "3" << "3";
    QTest::newRow("last port") << QByteArray("[Settings]\nCommPort=20\n") << 19 << "20" << "20";
    QTest::newRow("zero selects nothing") << QByteArray("[Settings]\nCommPort=0\n") << -1 << "" << "0";
    QTest::newRow("half goes to even, down") << QByteArray("[Settings]\nCommPort=2.5\n") << 2 << "3" << "2.5";
    QTest::newRow("half goes to even, stays") << QByteArray("[Settings]\nCommPort=3.5\n") << 2 << "3" << "3.5";
    QTest::newRow("beyond the list") << QByteArray("[Settings]\nCommPort=21\n") << 0 << "1" << "21";
    QTest::newRow("not a number") << QByteArray("[Settings]\nCommPort=COM3\n") << 0 << "1" << "COM3";
    QTest::newRow("empty value") << QByteArray("[Settings]\nCommPort=\n") << 0 << "1" << "";
    QTest::newRow("no file") << QByteArray() << 0 << "1" << "";
    QTest::newRow("other section only") << QByteArray("[Other]\nCommPort=7\n") << 0 << "1" << "";
    QTest::newRow("first of two sections counts")
        << QByteArray("[Settings]\nCommPort=4\n[Other]\nCommPort=9\n") << 3 << "4" << "4";
    QTest::newRow("case, blanks and quotes")
        << QByteArray("; saved port\r\n [ settings ]\r\n  COMMPORT =  \"5\"  \r\n") << 4 << "5" << "5";
    QTest::newRow("garbage around it")
        << QByteArray("\xEF\xBB\xBF\x01\xFF\x00junk\n[Settings]\nCommPort=6", 32) << 5 << "6" << "6";
}

void StartupTest::preselectsTheStoredPort()
{
    QFETCH(QByteArray, file);
    QFETCH(int, listIndex);
    QFETCH(QString, shown);
    QFETCH(QString, commPortText);
    WindowHarness harness(file);
    if (file.isEmpty())
        QFile::remove(harness.filePath("vexel.ini"));
    auto *ports = harness.control<ListBox>("cboComm");
    QCOMPARE(ports->count(), 20);
    QCOMPARE(ports->itemText(19), "20");
    QCOMPARE(ports->listIndex(), listIndex);
    QCOMPARE(ports->currentText(), shown);
    QCOMPARE(harness.window().commPortText(), commPortText);
    QVERIFY(!harness.port().portOpen());
    QCOMPARE(harness.port().settings(), "9600,n,8,1");
    QCOMPARE(harness.port().inputMode(), 1);
}

void StartupTest::fillsTheOtherLists()
{
    WindowHarness harness;
    const struct {
        const char *name;
        int count;
        int selected;
    } lists[] = {{"cboSpeed", 4, 2}, {"cboPosition", 2, 0}, {"cboBMP", 10, 0}};
    for (const auto &list : lists) {
        auto *box = harness.control<ListBox>(list.name);
        QCOMPARE(box->count(), list.count);
        QCOMPARE(box->listIndex(), list.selected);
        QCOMPARE(box->currentText(), QString::number(list.selected));
        for (int i = 0; i < list.count; ++i)
            QCOMPARE(box->itemText(i), QString::number(i));
    }
}

void StartupTest::neverWritesTheSettingsFile()
{
    const QByteArray file("[Settings]\nCommPort=1\n");
    WindowHarness harness(file);
    harness.linkPort(2, harness.line().slavePath());
    harness.window().show();
    harness.control<ListBox>("cboComm")->setListIndex(1);
    harness.connect();
    harness.click("cmdConnect");
    harness.window().close();
    QFile settings(harness.filePath("vexel.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), file);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"

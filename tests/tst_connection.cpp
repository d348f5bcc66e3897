#include "AppLook.h"
#include "ListBox.h"
#include "WindowHarness.h"

#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>



// The connect button over a real pseudo-terminal: opening, closing, every
// way an open can fail, and a device that goes away while open.
class ConnectionTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void opensAndCloses();
    void failedOpenSaysSoAndStaysClosed_data();
    void failedOpenSaysSoAndStaysClosed();
    void recoversAfterAFailure();
    void listChangeWhileOpenTakesEffectAtNextOpen();
    void lostInTheMiddleOfAFrame();

private:
    ListBox *ports() { return m_harness->control<ListBox>("cboComm"); }

    std::unique_ptr<WindowHarness> m_harness;
};

void ConnectionTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
}

void ConnectionTest::opensAndCloses()
{
    m_harness->click("cmdConnect");
    QVERIFY(m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "Disconnect");
    QVERIFY(m_harness->commandsEnabled());
    QCOMPARE(m_harness->window().commPortText(), "1");

    m_harness->click("cmdConnect");
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
    QVERIFY(!m_harness->commandsEnabled());
    QVERIFY(m_harness->messages().shown.isEmpty());

    // The device is free again for another program.
    SerialPortControl other(m_harness->folder());
    other.setCommPort(1);
    QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
}

void ConnectionTest::failedOpenSaysSoAndStaysClosed_data()
{
    QTest::addColumn<QString>("cause");
    QTest::newRow("no entry selected") << "none";
    QTest::newRow("link to nothing") << "dangling";
    QTest::newRow("held by another program") << "held";
    QTest::newRow("held through another name") << "held-by-path";
}

void ConnectionTest::failedOpenSaysSoAndStaysClosed()
{
    QFETCH(QString, cause);
    SerialPortControl other(m_harness->folder());
    if (cause == "none") {
        ports()->setListIndex(-1);
    } else if (cause == "dangling") {
        m_harness->linkPort(7, m_harness->folder() + "/no-such-device");
        ports()->setListIndex(6);
    } else {
        // The other program reaches the same device by its own path.
        if (cause == "held-by-path")
            m_harness->linkPort(9, m_harness->line().slavePath());
        other.setCommPort(cause == "held" ? 1 : 9);
        QVERIFY(other.setPortOpen(true));
    }
    m_harness->click("cmdConnect");
    QCOMPARE(m_harness->messages().shown, QStringList{"PORT NOT AVAILABLE!"});
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
    QVERIFY(!m_harness->commandsEnabled());
    if (cause == "none")
        QCOMPARE(m_harness->window().commPortText(), "0");
}

void ConnectionTest::recoversAfterAFailure()
{
    m_harness->linkPort(7, m_harness->folder() + "/no-such-device");
    ports()->setListIndex(6);
    m_harness->click("cmdConnect");
    QCOMPARE(m_harness->messages().shown.size(), 1);
    ports()->setListIndex(0);
    m_harness->click("cmdConnect");
    QVERIFY(m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "Disconnect");
    QCOMPARE(m_harness->messages().shown.size(), 1);
    QCOMPARE(m_harness->window().commPortText(), "1");
}

void ConnectionTest::listChangeWhileOpenTakesEffectAtNextOpen()
{
    PtyPair second;
    m_harness->linkPort(20, second.slavePath());
    m_harness->connect();
    ports()->setListIndex(19);
    m_harness->click("cmdConnect"); // closes, whatever the list now says
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
    QCOMPARE(m_harness->window().commPortText(), "20");
    m_harness->click("cmdConnect"); // opens the last port
    QVERIFY(m_harness->port().portOpen());
    m_harness->click("cmdSaveSU");
    QCOMPARE(second.read(2, 500), QByteArray("\xF7\x1B"));
    QCOMPARE(m_harness->line().read(1, 50), QByteArray());
}

void ConnectionTest::lostInTheMiddleOfAFrame()
{
    m_harness->connect();
    m_harness->line().closeMaster();
    m_harness->click("cmdSaveBitmap"); // runs into the loss before the event loop saw it
    QTRY_COMPARE_WITH_TIMEOUT(m_harness->messages().shown, QStringList{"PORT NOT AVAILABLE!"}, 500);
    QTest::qWait(200);
    QCOMPARE(m_harness->messages().shown, QStringList{"PORT NOT AVAILABLE!"});
    QCOMPARE(m_harness->caption("cmdConnect"), "CONNECT");
    QVERIFY(!m_harness->commandsEnabled());
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"

#include "AppLook.h"
#include "DotGridWidget.h"
#include "ListBox.h"
#include "ScriptedModule.h"
#include "WindowHarness.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// The pattern, animation and start-up commands from the real window over a
// pseudo-terminal, with a scripted module answering the storing commands.
class BitmapCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void frames_data();
    void frames();
    void animations_data();
    void animations();
    void acknowledgement_data();
    void acknowledgement();
    void leftoverBytesSilenceTheNextStore();
    void portClosedDuringTheWait();
    void windowClosedDuringTheWait();
    void clicksDuringTheWaitGoOutAtOnce();
    void listsWithoutAPosition_data();
    void listsWithoutAPosition();

private:
    void drawTopLeftDot();
    QByteArray sent(int atMost) { return m_harness->line().read(atMost, 150); }

    std::unique_ptr<WindowHarness> m_harness;
};

void BitmapCommandsTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    m_harness->connect();
}

void BitmapCommandsTest::drawTopLeftDot()
{
    m_harness->clickCell(1, 16);
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), "10");
}

void BitmapCommandsTest::frames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("frame");
    const QByteArray empty(8, '\0');
    const QByteArray topLeft = QByteArray("\x10") + QByteArray(7, '\0');
    QTest::newRow("store empty pattern in slot 0") << "cmdSaveBitmap" << false << 0 << 0 << QByteArray("\xF9\x00", 2) + empty;
    QTest::newRow("store drawn pattern in slot 9") << "cmdSaveBitmap" << true << 9 << 0 << QByteArray("\xF9\x09") + topLeft;
    QTest::newRow("show drawn pattern at 0") << "cmdSendBM" << true << 0 << 0 << QByteArray("\xFC\x00", 2) + topLeft;
    QTest::newRow("show drawn pattern at 1") << "cmdSendBM" << true << 0 << 1 << QByteArray("\xFC\x01") + topLeft;
    QTest::newRow("start-up screen") << "cmdSaveSU" << true << 5 << 1 << QByteArray("\xF7\x1B");
}

void BitmapCommandsTest::frames()
{
    QFETCH(QString, button);
    QFETCH(bool, drawn);
    QFETCH(int, slot);
    QFETCH(int, position);
    QFETCH(QByteArray, frame);
    if (drawn)
        drawTopLeftDot();
    m_harness->control<ListBox>("cboBMP")->setListIndex(slot);
    m_harness->control<ListBox>("cboPosition")->setListIndex(position);
    m_harness->click(button);
    QCOMPARE(sent(frame.size() + 1), frame);
    QString echo;
    for (char byte : frame)
        echo += QStringLiteral("%1 ").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), echo);
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), drawn ? "10" : "0"); // the pattern stays
    QCOMPARE(m_harness->messages().shown, QStringList()); // nobody answered
}

void BitmapCommandsTest::animations_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("frame");
    const char *buttons[] = {"cmdAnimate0", "cmdAnimate1", "cmdAnimate2", "cmdAnimate3"};
    const char *captions[] = {"Up Arrow", "Down Arrow", "Right Arrow", "Left Arrow"};
    for (int animation = 0; animation < 4; ++animation) {
        for (int position = 0; position < 2; ++position) {
            QTest::addRow("%s at %d", captions[animation], position)
                << buttons[animation] << position
                << QByteArray("\xF8") + char(animation) + char(position);
        }
    }
}

void BitmapCommandsTest::animations()
{
    QFETCH(QString, button);
    QFETCH(int, position);
    QFETCH(QByteArray, frame);
    m_harness->control<ListBox>("cboPosition")->setListIndex(position);
    m_harness->click(button);
    QCOMPARE(sent(4), frame);
}

void BitmapCommandsTest::acknowledgement_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("leftWaiting");
    const QStringList none;
    QTest::newRow("bitmap acknowledged") << "cmdSaveBitmap" << QByteArray("\xAA") << QStringList{"Bitmap Saved"} << 0;
    QTest::newRow("start-up acknowledged") << "cmdSaveSU" << QByteArray("\xAA") << QStringList{"Screen Saved As Startup"} << 0;
    QTest::newRow("no answer") << "cmdSaveBitmap" << QByteArray() << none << 0;
    QTest::newRow("another byte") << "cmdSaveBitmap" << QByteArray("\x55") << none << 0;
    QTest::newRow("zero byte") << "cmdSaveSU" << QByteArray(1, '\0') << none << 0;
    QTest::newRow("two acknowledgements") << "cmdSaveBitmap" << QByteArray("\xAA\xAA") << none << 2;
    QTest::newRow("acknowledgement and more") << "cmdSaveSU" << QByteArray("\xAA\x01\x02") << none << 3;
}

void BitmapCommandsTest::acknowledgement()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, shown);
    QFETCH(int, leftWaiting);
    ScriptedModule module(m_harness->line());
    module.reply = reply;
    module.replyDelayMs = 20;
    QElapsedTimer clock;
    clock.start();
    m_harness->click(button);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 95 && took < 250, qPrintable(QString::number(took)));
    QCOMPARE(module.storesSeen, 1);
    QCOMPARE(m_harness->messages().shown, shown);
    QCOMPARE(m_harness->port().inBufferCount(), leftWaiting);
}

void BitmapCommandsTest::leftoverBytesSilenceTheNextStore()
{
    ScriptedModule module(m_harness->line());
    module.reply = QByteArray("\xAA\xAA");
    m_harness->click("cmdSaveBitmap");
    module.reply = QByteArray("\xAA");
    m_harness->click("cmdSaveBitmap");
    m_harness->click("cmdSaveSU");
    QCOMPARE(module.storesSeen, 3);
    QCOMPARE(m_harness->messages().shown, QStringList());
    QCOMPARE(m_harness->port().inBufferCount(), 4);

    // A new connection starts with an empty buffer and the test works again.
    m_harness->click("cmdConnect");
    m_harness->click("cmdConnect");
    m_harness->click("cmdSaveBitmap");
    QCOMPARE(m_harness->messages().shown, QStringList{"Bitmap Saved"});
}

void BitmapCommandsTest::portClosedDuringTheWait()
{
    ScriptedModule module(m_harness->line());
    module.replyDelayMs = 40;
    QTimer::singleShot(20, &m_harness->window(), [this] { m_harness->click("cmdConnect"); });
    m_harness->click("cmdSaveBitmap");
    QCOMPARE(module.storesSeen, 1);
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->control<QPushButton>("cmdConnect")->text(), "CONNECT");
    QCOMPARE(m_harness->messages().shown, QStringList());
}

void BitmapCommandsTest::windowClosedDuringTheWait()
{
    ScriptedModule module(m_harness->line());
    module.replyDelayMs = 50;
    QTimer::singleShot(20, &m_harness->window(), [this] { m_harness->window().close(); });
    QElapsedTimer clock;
    clock.start();
    m_harness->click("cmdSaveSU");
    QVERIFY(clock.elapsed() < 90); // the wait gave up at once
    QTest::qWait(100);             // the module's late answer changes nothing
    QCOMPARE(m_harness->messages().shown, QStringList());
    QVERIFY(!m_harness->port().portOpen());
    SerialPortControl other(m_harness->folder());
    other.setCommPort(1);
    QVERIFY2(other.setPortOpen(true), "the port was not released");
}

void BitmapCommandsTest::clicksDuringTheWaitGoOutAtOnce()
{
    ScriptedModule module(m_harness->line());
    module.reply.clear();
    QByteArray seenDuringWait;
    QTimer::singleShot(20, &m_harness->window(), [&] {
        m_harness->click("cmdAnimate2");
        QTest::qWait(20);
        seenDuringWait = module.received;
        m_harness->clickCell(8, 8);
    });
    m_harness->click("cmdSaveBitmap");
    const QByteArray store = QByteArray("\xF9\x00", 2) + QByteArray(8, '\0');
    QCOMPARE(seenDuringWait, store + QByteArray("\xF8\x02\x00", 3));
    // The frame was copied at the click; the dot drawn meanwhile is in the editor only.
    QCOMPARE(m_harness->control<QLabel>("lblC8")->text(), "8");
    QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), "F8 02 00 ");
}

void BitmapCommandsTest::listsWithoutAPosition_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("frame");
    const QByteArray empty(8, '\0');
    QTest::newRow("slot typed as an entry") << "cboBMP" << "7" << "cmdSaveBitmap" << QByteArray("\xF9\x07") + empty;
    QTest::newRow("slot typed as no entry") << "cboBMP" << "x" << "cmdSaveBitmap" << QByteArray();
    QTest::newRow("slot beyond the list") << "cboBMP" << "10" << "cmdSaveBitmap" << QByteArray();
    QTest::newRow("animation at a typed entry") << "cboPosition" << "1" << "cmdAnimate1" << QByteArray("\xF8\x01\x01");
    QTest::newRow("animation at no entry") << "cboPosition" << "left" << "cmdAnimate1" << QByteArray();
    QTest::newRow("pattern at no entry shows at 1") << "cboPosition" << "left" << "cmdSendBM" << QByteArray("\xFC\x01") + empty;
    QTest::newRow("pattern at typed 0 has no position") << "cboPosition" << "0" << "cmdSendBM" << QByteArray("\xFC\x01") + empty;
}

void BitmapCommandsTest::listsWithoutAPosition()
{
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QByteArray, frame);
    // A longer frame first, so stale operands sit in the buffer.
    m_harness->control<ListBox>("cboBMP")->setListIndex(4);
    m_harness->click("cmdSendBM");
    QCOMPARE(sent(11).size(), 10);

    m_harness->type(list, typed);
    QCOMPARE(m_harness->control<ListBox>(list)->listIndex(), -1);
    m_harness->click(button);
    QCOMPARE(sent(11), frame);
}

QTEST_MAIN(BitmapCommandsTest)
#include "tst_bitmapcommands.moc"

#include "AppLook.h"
#include "DotGridWidget.h"
#include "ListBox.h"
#include "RunningModule.h"
#include "WindowHarness.h"

#include <QLineEdit>
#include <QTest>

// The real window driving the real stand-in module over a pseudo-terminal:
// what the user clicks is what the module decodes and shows.
class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void cleanup();

    void commandReachesTheModule_data();
    void commandReachesTheModule();
    void drawnPatternIsShownAsDrawn();
    void storeIsConfirmedOnlyByOneTimelyAnswer_data();
    void storeIsConfirmedOnlyByOneTimelyAnswer();

private:
    void startBoth(const QStringList &moduleOptions = {});
    void choose(const char *list, int index);

    std::unique_ptr<WindowHarness> m_harness;
    std::unique_ptr<RunningModule> m_module;
};

void EndToEndTest::cleanup()
{
    m_harness.reset();
    m_module.reset();
}

void EndToEndTest::startBoth(const QStringList &moduleOptions)
{
    m_harness = std::make_unique<WindowHarness>("[Settings]\nCommPort=1\n", WindowHarness::Line::Unlinked);
    m_module = std::make_unique<RunningModule>(m_harness->folder());
    QVERIFY(m_module->start(moduleOptions));
    m_harness->showWindow();
    m_harness->connect();
    QVERIFY(m_module->waitFor("line open"));
}

void EndToEndTest::choose(const char *list, int index)
{
    auto *box = m_harness->control<ListBox>(list);
    box->setFocus();
    while (box->listIndex() != index)
        QTest::keyClick(box, box->listIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

void EndToEndTest::commandReachesTheModule_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("decoded");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("static characters") << "static" << R"(frame FE 41 03 static-chars first="A" second=^3)" << QStringList();
    QTest::newRow("scroll text") << "scroll" << R"(frame FD 48 65 6C 6C 6F scroll-text text="Hello" end=pause)" << QStringList();
    QTest::newRow("fastest speed") << "speed" << "frame FA 21 scroll-speed speed=3" << QStringList();
    QTest::newRow("left arrow at 1") << "animate" << "frame F8 03 01 animate arrow=left pos=1" << QStringList();
    QTest::newRow("show pattern at 1") << "show" << "frame FC 01 10 00 00 00 00 00 00 00 display-bitmap pos=1" << QStringList();
    QTest::newRow("store pattern in slot 9") << "store" << "frame F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9" << QStringList{"Bitmap Saved"};
    QTest::newRow("start-up screen") << "startup" << "frame F7 1B save-startup" << QStringList{"Screen Saved As Startup"};
}

void EndToEndTest::commandReachesTheModule()
{
    QFETCH(QString, command);
    QFETCH(QString, decoded);
    QFETCH(QStringList, shown);
    startBoth();
    if (command == "static") {
        m_harness->type("txtAText", "A");
        m_harness->type("txtBText", "^3");
        m_harness->click("cmdSendDA");
    } else if (command == "scroll") {
        m_harness->type("txtSText", "Hello");
        m_harness->click("cmdScroll");
    } else if (command == "speed") {
        choose("cboSpeed", 3);
        m_harness->click("cmdSpeed");
    } else if (command == "animate") {
        choose("cboPosition", 1);
        m_harness->click("cmdAnimate3");
    } else if (command == "show") {
        m_harness->clickCell(1, 16);
        choose("cboPosition", 1);
        m_harness->click("cmdSendBM");
    } else if (command == "store") {
        m_harness->clickCell(1, 16);
        choose("cboBMP", 9);
        m_harness->click("cmdSaveBitmap");
    } else {
        m_harness->click("cmdSaveSU");
    }
    QVERIFY(m_module->waitFor("frame "));
    QCOMPARE(m_module->seen().last(), decoded);
    QCOMPARE(m_harness->messages().shown, shown);
}

void EndToEndTest::drawnPatternIsShownAsDrawn()
{
    startBoth();
    m_harness->clickCell(1, 16); // top row
    m_harness->clickCell(2, 32);
    m_harness->clickCell(4, 1);  // fifth row
    m_harness->clickCell(8, 8);  // bottom row
    m_harness->click("cmdSendBM");
    QVERIFY(m_module->waitFor("frame FC 00 10 20 00 01 00 00 00 08"));
    const QStringList expected{
        "#....... ........", ".#...... ........", "........ ........", "........ ........",
        "...#.... ........", "........ ........", "........ ........", ".......# ........",
    };
    QCOMPARE(m_module->nextDisplay(), expected);
}

void EndToEndTest::storeIsConfirmedOnlyByOneTimelyAnswer_data()
{
    QTest::addColumn<QStringList>("moduleOptions");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("answers at once") << QStringList() << QStringList{"Bitmap Saved"};
    QTest::newRow("does not answer") << QStringList{"--ack", "none"} << QStringList();
    QTest::newRow("answers after the wait") << QStringList{"--ack", "delay:300"} << QStringList();
    QTest::newRow("answers twice") << QStringList{"--ack", "double"} << QStringList();
    QTest::newRow("answers another byte") << QStringList{"--ack", "byte:55"} << QStringList();
}

void EndToEndTest::storeIsConfirmedOnlyByOneTimelyAnswer()
{
    QFETCH(QStringList, moduleOptions);
    QFETCH(QStringList, shown);
    startBoth(moduleOptions);
    m_harness->click("cmdSaveBitmap");
    QVERIFY(m_module->waitFor("frame F9 00"));
    QCOMPARE(m_harness->messages().shown, shown);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"

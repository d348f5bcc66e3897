#include "AppLook.h"
#include "CaptionButton.h"
#include "DotGridWidget.h"
#include "ListBox.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTest>

// The window as the user first sees it: places, captions, looks, focus, and
// which controls take input before and after connecting.
class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void startsClosedAndFixed();
    void controlsStandWhereTheyWereDrawn_data();
    void controlsStandWhereTheyWereDrawn();
    void windowControlsLieInFrontOfTheGroup();
    void everyButtonCaptionFits();
    void looks();
    void textBoxesCutToTheirLength_data();
    void textBoxesCutToTheirLength();
    void focusOrderSkipsTheDisabledGroup();
    void focusOrderAfterConnecting();
    void groupTakesInputOnlyWhileConnected();

private:
    QStringList tabWalk(int steps);
    std::unique_ptr<WindowHarness> m_harness;
};

void MainWindowTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    QApplication::setActiveWindow(&m_harness->window());
}

void MainWindowTest::startsClosedAndFixed()
{
    MainWindow &window = m_harness->window();
    QCOMPARE(window.windowTitle(), "VexelApp ( 16x8 Dot Matrix LED Module)");
    QCOMPARE(window.size(), QSize(796, 519));
    window.resize(1000, 800);
    QCOMPARE(window.size(), QSize(796, 519));
    QVERIFY(!m_harness->port().portOpen());
    QCOMPARE(m_harness->control<QPushButton>("cmdConnect")->text(), "CONNECT");
    QVERIFY(!m_harness->control<QGroupBox>("Frame3")->isEnabled());
    QVERIFY(m_harness->control("cmdCLR")->isEnabled());
    QVERIFY(m_harness->control("cboPosition")->isEnabled());
    QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), QString());
    QCOMPARE(m_harness->control<QLabel>("lblC")->text(), "0");
    for (int k = 1; k <= 8; ++k)
        QCOMPARE(m_harness->control<QLabel>(QStringLiteral("lblC%1").arg(k))->text(), "0");
    QCOMPARE(QApplication::focusWidget(), m_harness->control("cboComm"));
}

void MainWindowTest::controlsStandWhereTheyWereDrawn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<QString>("caption");
    // Twips from the drawing, divided by 15 by hand.
    QTest::newRow("port group") << "Frame1" << "frmMain" << QRect(24, 24, 241, 49) << "Comm Port";
    QTest::newRow("command group") << "Frame3" << "frmMain" << QRect(24, 80, 697, 345) << "Display Control";
    QTest::newRow("monitor group") << "Frame2" << "frmMain" << QRect(24, 440, 473, 57) << "Communication Monitor";
    QTest::newRow("connect") << "cmdConnect" << "Frame1" << QRect(104, 16, 121, 17) << "CONNECT";
    QTest::newRow("monitor line") << "lblTxData" << "Frame2" << QRect(80, 24, 319, 17) << "";
    QTest::newRow("clear on the window") << "cmdCLR" << "frmMain" << QRect(616, 104, 57, 25) << "Clear ALL";
    QTest::newRow("static characters") << "cmdSendDA" << "Frame3" << QRect(128, 32, 89, 33) << "Show Static Characters";
    QTest::newRow("speed keeps its space") << "cmdSpeed" << "Frame3" << QRect(80, 200, 121, 25) << "Set Scrolling Speed ";
    QTest::newRow("left arrow") << "cmdAnimate3" << "Frame3" << QRect(256, 296, 65, 33) << "Left Arrow";
    QTest::newRow("dot group") << "Frame4" << "Frame3" << QRect(328, 16, 233, 233) << "DOT MATRIX";
    QTest::newRow("first column label") << "lblC1" << "Frame3" << QRect(320, 256, 25, 17) << "0";
    QTest::newRow("last column label") << "lblC8" << "Frame3" << QRect(544, 256, 25, 17) << "0";
    QTest::newRow("save start-up") << "cmdSaveSU" << "Frame3" << QRect(360, 296, 201, 33) << "Save Current Screen as Startup";
    QTest::newRow("slot list") << "cboBMP" << "Frame3" << QRect(592, 168, 49, 21) << "0";
}

void MainWindowTest::controlsStandWhereTheyWereDrawn()
{
    QFETCH(QString, name);
    QFETCH(QString, holder);
    QFETCH(QRect, pixels);
    QFETCH(QString, caption);
    QWidget *widget = m_harness->control(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), holder);
    QCOMPARE(widget->geometry(), pixels);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(group->title(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *list = qobject_cast<QComboBox *>(widget))
        QCOMPARE(list->currentText(), caption);
}

void MainWindowTest::windowControlsLieInFrontOfTheGroup()
{
    MainWindow &window = m_harness->window();
    for (const char *name : {"cmdCLR", "cboPosition"}) {
        QWidget *widget = m_harness->control(name);
        QCOMPARE(widget->parentWidget(), &window);
        QWidget *atCentre = window.childAt(widget->geometry().center());
        QVERIFY(atCentre == widget || widget->isAncestorOf(atCentre));
    }
    // Cells: top row is weight 16, fifth row weight 1, bottom row weight 8.
    QCOMPARE(DotGridWidget::cellAt({24 + 5, 32 + 5})->weight, 16);
    QCOMPARE(DotGridWidget::cellAt({24 + 5, 128 + 5})->weight, 1);
    QCOMPARE(DotGridWidget::cellAt({192 + 5, 200 + 5})->column, 8);
    QCOMPARE(DotGridWidget::cellAt({192 + 5, 200 + 5})->weight, 8);
    QVERIFY(!DotGridWidget::cellAt({24 + 20, 32 + 5})); // the gap between two cells
}

void MainWindowTest::everyButtonCaptionFits()
{
    const QList<CaptionButton *> buttons = m_harness->window().findChildren<CaptionButton *>();
    QCOMPARE(buttons.size(), 12);
    for (CaptionButton *button : buttons) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QRect needed = button->fontMetrics().boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap,
                                                                button->text());
        QVERIFY2(area.contains(needed), qPrintable(button->objectName()));
    }
    // The narrow static-characters button needs its second line.
    auto *narrow = m_harness->control<QPushButton>("cmdSendDA");
    QVERIFY(narrow->fontMetrics().horizontalAdvance(narrow->text()) > narrow->width());
}

void MainWindowTest::looks()
{
    MainWindow &window = m_harness->window();
    QCOMPARE(window.font().family(), "Tahoma");
    QCOMPARE(QFontInfo(window.font()).family(), "Tahoma"); // really there, not substituted
    QCOMPARE(window.font().pixelSize(), 11);
    auto *box = m_harness->control<QLineEdit>("txtAText");
    QCOMPARE(box->font().pixelSize(), 19);
    QCOMPARE(box->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(box->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QCOMPARE(m_harness->control<QLineEdit>("txtSText")->font().pixelSize(), 11);
    QCOMPARE(m_harness->control("lblC")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(m_harness->control("lblTxData")->palette().color(QPalette::Window), QColor(255, 255, 192));
    QCOMPARE(m_harness->control("Frame4")->palette().color(QPalette::Window), QColor(192, 192, 192));
}

void MainWindowTest::textBoxesCutToTheirLength_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    QTest::newRow("first character box") << "txtAText" << 2;
    QTest::newRow("second character box") << "txtBText" << 2;
    QTest::newRow("scroll text") << "txtSText" << 30;
}

void MainWindowTest::textBoxesCutToTheirLength()
{
    QFETCH(QString, name);
    QFETCH(int, limit);
    m_harness->connect();
    auto *box = m_harness->control<QLineEdit>(name);
    QCOMPARE(box->maxLength(), limit);
    QTest::keyClicks(box, QString(limit + 5, QLatin1Char('k')));
    QCOMPARE(box->text().size(), limit);
    box->clear();
    QApplication::clipboard()->setText(QString(40, QLatin1Char('p')));
    box->paste();
    QCOMPARE(box->text(), QString(limit, QLatin1Char('p')));
}

QStringList MainWindowTest::tabWalk(int steps)
{
    m_harness->control("cboComm")->setFocus();
    QStringList visited;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        // An editable list's field takes the focus for its list.
        while (focused && focused->objectName().isEmpty())
            focused = focused->parentWidget();
        visited << (focused ? focused->objectName() : QString());
    }
    return visited;
}

void MainWindowTest::focusOrderSkipsTheDisabledGroup()
{
    QCOMPARE(tabWalk(4), QStringList({"cmdConnect", "cboPosition", "cmdCLR", "cboComm"}));
}

void MainWindowTest::focusOrderAfterConnecting()
{
    m_harness->connect();
    const QStringList expected{"cmdConnect", "txtAText", "cmdSendDA", "txtSText", "cmdScroll",
                               "cboSpeed", "cmdSpeed", "cboPosition", "cmdCLR", "txtBText",
                               "cmdSendBM", "cboBMP", "cmdSaveBitmap", "cmdAnimate0", "cmdAnimate1",
                               "cmdAnimate2", "cmdAnimate3", "cmdSaveSU", "cboComm"};
    QCOMPARE(tabWalk(int(expected.size())), expected);
}

void MainWindowTest::groupTakesInputOnlyWhileConnected()
{
    auto *text = m_harness->control<QLineEdit>("txtSText");

    QTest::keyClicks(text, "abc");
    m_harness->clickCell(1, 16);
    QTest::mouseClick(m_harness->control<QPushButton>("cmdSpeed"), Qt::LeftButton);
    QCOMPARE(text->text(), QString());
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), "0");
    QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), QString());

    m_harness->connect();
    QTest::keyClicks(text, "abc");
    m_harness->clickCell(1, 16);
    QCOMPARE(text->text(), "abc");
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), "10");

    m_harness->click("cmdConnect");
    m_harness->clickCell(1, 16);
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), "10"); // kept, and inert again
    m_harness->click("cmdCLR");                                  // usable while closed
    QCOMPARE(m_harness->control<QLabel>("lblC1")->text(), "0");
    auto *position = m_harness->control<ListBox>("cboPosition");
    QTest::keyClick(position, Qt::Key_Down);
    QCOMPARE(position->listIndex(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"

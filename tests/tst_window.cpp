#include "AppLook.h"
#include "BuiltInDot.h"
#include "CaptionButton.h"
#include "DotGridWidget.h"
#include "MessageBoxMessages.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

namespace {

const QString Empty8 = QStringLiteral(" 00 00 00 00 00 00 00 00");
const QString TopLeft8 = QStringLiteral(" 10 00 00 00 00 00 00 00");
const QString PortNotAvailable = QStringLiteral("PORT NOT AVAILABLE!");

void row(const QString &name, const QString &steps, const QString &line = "", const QString &monitor = "=",
         const QString &messages = "")
{
    QTest::newRow(qPrintable(name)) << steps << line << monitor << messages;
}

} // namespace

// The real window over a real pseudo-terminal, one case a row: the steps a
// user takes (WindowHarness lists the step language), then what the far end
// of the line heard, what the monitor shows ("=" what was heard, "-" not
// looked at) and the messages shown, joined by "|" ("*" ends a prefix;
// {dir} is the program folder). Every case also proves that the settings
// file was never written.
class WindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void cases_data();
    void cases();
    void layoutAndLooks();
    void gridAsAScreenReaderAndTheEyeMeetIt();
    void messageBoxIsPlainAndModal();
};

void WindowTest::cases_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<QString>("messages");
    const QString on = QStringLiteral("click cmdConnect; "), closed = "is port closed; is cmdConnect CONNECT; ";

    // Start-up: the settings file, the lists, the closed port.
    row("starts closed on port 1", "is focus cboComm; is cboComm 0:1; is CommPortText 1; " + closed + "is Frame3 off; "
        "is settings 9600,n,8,1 mode 1; is cboSpeed 2:2; is cboPosition 0:0; is cboBMP 0:0; is lblC 0; is lblC1 0; "
        "is lblC8 0; is grid" + Empty8 + "; is cells builtin");
    row("lists run to their last entries", on + "choose cboComm 25; is cboComm 19:20; choose cboSpeed 9; "
        "is cboSpeed 3:3; choose cboBMP 12; is cboBMP 9:9; choose cboPosition 5; is cboPosition 1:1");
    row("stored 0 selects nothing", "ini [Settings]|CommPort=0|; is cboComm -1:; is CommPortText 0; " + on + closed +
        "is CommPortText 0", "", "=", PortNotAvailable);
    row("2.5 goes to even, down; the text stays", "ini [Settings]|CommPort=2.5|; is cboComm 2:3; is CommPortText 2.5");
    row("no settings file", "noini; is cboComm 0:1; is CommPortText");
    row("the stored port is the one connected", "ini [Settings]|CommPort=4; link 4 line; " + on +
        "is CommPortText 4; click cmdSaveSU", "F7 1B");
    row("focus order while closed", "walk cmdConnect cboPosition cmdCLR cboComm");
    row("focus order while open", on + "walk cmdConnect txtAText cmdSendDA txtSText cmdScroll cboSpeed cmdSpeed "
        "cboPosition cmdCLR txtBText cmdSendBM cboBMP cmdSaveBitmap cmdAnimate0 cmdAnimate1 cmdAnimate2 "
        "cmdAnimate3 cmdSaveSU cboComm");

    // Connecting.
    row("connect and disconnect", on + "is port open; is cmdConnect Disconnect; is Frame3 on; is CommPortText 1; " +
        on + closed + "is Frame3 off; is free yes");
    row("link to nothing, then back", "link 7 nowhere; choose cboComm 6; " + on + closed + "is Frame3 off; "
        "is CommPortText 7; choose cboComm 0; " + on + "is port open; is cmdConnect Disconnect; is CommPortText 1",
        "", "=", PortNotAvailable);
    row("held by another program", "hold 1; " + on + closed + "is Frame3 off", "", "=", PortNotAvailable);
    row("held through another name", "link 9 line; hold 9; " + on + "is port closed", "", "=", PortNotAvailable);
    row("held by a program that names the device", "hold device; " + on + "is port closed", "", "=", PortNotAvailable);
    row("a plain file in the way", "link 5 file; choose cboComm 4; " + on + "is port closed; choose cboComm 0; " + on +
        "is port open", "", "=", PortNotAvailable);
    row("a link to an unplugged adapter", "link 5 hungup; choose cboComm 4; " + on + "is port closed; "
        "choose cboComm 0; " + on + "click cmdSaveSU; wait 50", "F7 1B", "=", PortNotAvailable);
    row("bytes waiting before the first open are dropped", "send AA; " + on + "click cmdSaveSU; is waiting 0", "F7 1B");
    row("bytes left unread by the last connection are dropped", on + "send AA; " + on + on + "click cmdSaveSU",
        "F7 1B");
    row("bytes the last connection read in are dropped", on + "send AA; wait 100; " + on + on + "click cmdSaveSU",
        "F7 1B");
    row("list changed while open counts at the next open", on + "link 20 spare; choose cboComm 19; " + on + closed +
        "is CommPortText 20; " + on + "click cmdSaveSU", "F7 1B");
    row("lost in the middle of a frame", on + "unplug; click cmdSaveBitmap; wait 200; " + closed + "is Frame3 off", "",
        "-", PortNotAvailable);

    // Static characters, the scroll text and its speed.
    const QString invalid = "Invalid Data";
    row("caret and digit in both boxes", on + "type txtAText ^0; type txtBText ^9; click cmdSendDA; is txtAText ^0; "
        "is txtBText ^9", "FE 00 09");
    row("a typed space is an empty box", on + "type txtAText  ; click cmdSendDA", "FE 20 20");
    row("two letters keep the first", on + "type txtAText AB; type txtBText 7; click cmdSendDA; is txtAText A",
        "FE 41 37");
    row("a letter without a byte is named; the first box keeps its rewrite", on + "type txtAText €x; "
        "type txtBText 中; click cmdSendDA; is txtAText €; is txtBText 中", "", "",
        "\"中\" cannot be shown: the module has neither this letter nor one near it");
    row("a letter typed with its accent is composed", on + QString::fromUtf16(u"type txtAText e\u0301; click cmdSendDA; "
        "is txtAText \u00E9"), "FE E9 20");
    row("second box invalid: the first keeps its rewrite", on + "type txtAText QR; type txtBText ^A; "
        "click cmdSendDA; is txtAText Q; is txtBText ^A", "", "", invalid);
    row("empty scroll text", on + "click cmdScroll", "FD", "FD  ()");
    row("scroll text cut to 30", on + "type txtSText " + QString(35, 'M') + "; click cmdScroll",
        "FD" + QString(" 4D").repeated(30), "FD  (" + QString(30, 'M') + ")");
    row("western scroll text", on + "type txtSText Straße €5; click cmdScroll", "FD 53 74 72 61 DF 65 20 80 35",
        "FD  (Straße €5)");
    row("a letter whose byte is an opcode: nothing sent", on + "type txtSText Grüße; click cmdScroll; is txtSText Grüße",
        "", "", "\"ü\" cannot be scrolled: the module takes its byte FC for a command");
    row("counter follows the scroll text", on + "type txtSText abcde; is lblC 5; key txtSText Backspace; "
        "is lblC 4; type txtSText; is lblC 0; type txtSText " + QString(35, 'w') + "; is lblC 30");
    row("typed text is cut to the box", on + "type txtAText pppp; is txtAText pp; type txtBText kkk; is txtBText kk");
    row("speed at start-up, then each entry", on + "click cmdSpeed; choose cboSpeed 0; click cmdSpeed; choose cboSpeed 1; "
        "click cmdSpeed; choose cboSpeed 3; click cmdSpeed", "FA 29 FA 39 FA 31 FA 21", "FA 21 ");
    const QString stale = on + "type txtAText K; click cmdSendDA; ";
    row("speed typed as an entry", stale + "type cboSpeed 3; click cmdSpeed", "FE 4B 20 FA 21", "FA 21 ");
    row("speed typed with blanks", stale + "type cboSpeed  0 ; click cmdSpeed", "FE 4B 20 FA 39", "FA 39 ");
    for (const char *typed : {"fast", "4", ""})
        row(QStringLiteral("speed typed as no entry: \"%1\"").arg(typed), stale + "type cboSpeed " + typed +
            "; click cmdSpeed", "FE 4B 20");

    // Patterns, animations, the start-up screen and the acknowledgement.
    row("store the empty pattern in slot 0", on + "click cmdSaveBitmap", "F9 00" + Empty8);
    row("store a drawn pattern in slot 9", on + "cell 1 16; choose cboBMP 9; click cmdSaveBitmap; is lblC1 10",
        "F9 09" + TopLeft8);
    row("show a drawn pattern at 0", on + "cell 1 16; click cmdSendBM", "FC 00" + TopLeft8);
    row("show a drawn pattern at 1", on + "cell 1 16; choose cboPosition 1; click cmdSendBM", "FC 01" + TopLeft8);
    row("start-up screen", on + "cell 1 16; choose cboBMP 5; choose cboPosition 1; click cmdSaveSU", "F7 1B");
    const char *arrows[] = {"Up Arrow", "Down Arrow", "Right Arrow", "Left Arrow"};
    for (int arrow = 0; arrow < 8; ++arrow)
        row(QStringLiteral("%1 at %2").arg(arrows[arrow / 2]).arg(arrow % 2), on + QStringLiteral("is cmdAnimate%1 %2; "
            "choose cboPosition %3; click cmdAnimate%1").arg(arrow / 2).arg(arrows[arrow / 2]).arg(arrow % 2),
            QStringLiteral("F8 0%1 0%2").arg(arrow / 2).arg(arrow % 2));
    const QString store = on + "delay 20; answer %1; click %2; took 95 250; is waiting %3";
    row("bitmap acknowledged", store.arg("AA", "cmdSaveBitmap", "0"), "-", "-", "Bitmap Saved");
    row("start-up screen acknowledged", store.arg("AA", "cmdSaveSU", "0"), "-", "-", "Screen Saved As Startup");
    row("no answer", store.arg("", "cmdSaveBitmap", "0"), "-", "-");
    row("another byte", store.arg("55", "cmdSaveBitmap", "0"), "-", "-");
    row("a zero byte", store.arg("00", "cmdSaveSU", "0"), "-", "-");
    row("two acknowledgements", store.arg("AA AA", "cmdSaveBitmap", "2"), "-", "-");
    row("an acknowledgement after the wait", on + "delay 250; answer AA; click cmdSaveBitmap; took 95 200; is waiting 0; wait 300; is waiting 1", "-", "-");
    row("acknowledgement and more", store.arg("AA 01 02", "cmdSaveSU", "3"), "-", "-");
    row("leftover bytes silence the next stores until reconnecting", on + "answer AA AA; click cmdSaveBitmap; "
        "answer AA; click cmdSaveBitmap; click cmdSaveSU; is waiting 4; " + on + on + "click cmdSaveBitmap", "-", "-",
        "Bitmap Saved");
    row("port closed during the wait", on + "answer AA; delay 40; at 20 click cmdConnect; click cmdSaveBitmap; " +
        closed, "F9 00" + Empty8);
    for (const auto &[button, frame] : {std::pair{"cmdSaveSU", "F7 1B"}, {"cmdSaveBitmap", "F9 00 00 00 00 00 00 00 00 00"}})
        row(QStringLiteral("window closed during the wait of %1").arg(button), on + "answer AA; delay 50; at 20 close; "
            "click " + button + "; took 0 90; wait 100; is port closed; is free yes", frame);
    row("a store in another's wait gets its full 100 ms, both end together", on + "at 40 click cmdSaveSU; "
        "click cmdSaveBitmap; took 135 250", "-", "-");
    row("clicks during the wait go out at once", on + "at 20 click cmdAnimate2; at 40 heard F9 00" + Empty8 +
        " F8 02 00; at 45 cell 8 8; click cmdSaveBitmap; is lblC8 8", "-", "F8 02 00 ");
    const QString staleBitmap = on + "choose cboBMP 4; click cmdSendBM; ", shown = "FC 00" + Empty8;
    row("slot typed as no entry", staleBitmap + "type cboBMP x; click cmdSaveBitmap", shown, "-");
    row("slot typed beyond the list", staleBitmap + "type cboBMP 10; click cmdSaveBitmap", shown, "-");
    row("animation at a typed entry", staleBitmap + "type cboPosition 1; click cmdAnimate1", shown + " F8 01 01", "-");
    row("animation at no entry", staleBitmap + "type cboPosition left; click cmdAnimate1", shown, "-");
    row("pattern at no entry shows at 1", staleBitmap + "type cboPosition left; click cmdSendBM",
        shown + " FC 01" + Empty8, "-");

    // Typed text in a list is no choice, however the editing ends.
    row("port typed 3, then CONNECT", "link 3 line; type cboComm 3; " + on + "is port closed; is cboComm -1:3", "", "",
        PortNotAvailable);
    row("position typed 0 at position 1", on + "choose cboPosition 1; type cboPosition 0; click cmdSendBM; "
        "is cboPosition -1:0", "FC 01" + Empty8);
    row("slot typed 7", staleBitmap + "type cboBMP 7; click cmdSaveBitmap; is cboBMP -1:7", shown + " F9 07" + Empty8,
        "-");
    row("speed typed 0, then an arrow key", on + "type cboSpeed 0; click cmdCLR; is cboSpeed -1:0; "
        "key cboSpeed Down; is cboSpeed 3:3; click cmdSpeed", "FA 21");
    row("Return and Tab choose nothing", on + "type cboBMP 7; key cboBMP Return; is cboBMP -1:7; key cboBMP Tab; "
        "is cboBMP -1:7");

    // The dot editor, which never writes to the line, as a person and a screen reader meet it.
    row("a click switches one dot", on + "cell 1 16; is lblC1 10; is grid" + TopLeft8 + "; is cell:1:16 lit; "
        "is cell:1:32 builtin; cell 1 16; is lblC1 0; is cell:1:16 unlit; cell 1 1; is lblC1 1");
    row("a full column leaves the others alone", on + "cell 2 4; cell 5 16; cell 5 32; cell 5 64; cell 5 128; "
        "cell 5 1; cell 5 2; cell 5 4; cell 5 8; is lblC5 FF; is lblC2 4; is lblC1 0; is grid 00 04 00 00 FF 00 00 00");
    row("a double click counts once, beside or dragged none", on + "dclick 4 128; is lblC4 80; cell 0 0; "
        "drag 6 1 7 1; is grid 00 00 00 80 00 00 00 00");
    row("a replaced picture shows at the next change", on + "cell 1 2; picture dotf.BMP green; cell 1 4; "
        "is cell:1:2 other; is cell:1:4 lit");
    row("Clear ALL reloads every cell", on + "cell 1 16; cell 8 8; cell 6 2; click cmdCLR; is cells unlit; "
        "is grid" + Empty8 + "; is lblC1 0; is lblC8 0");
    row("Clear ALL while closed, then drawing on", on + "cell 1 16; cell 8 8; " + on + "click cmdCLR; is grid" +
        Empty8 + "; " + on + "cell 8 8; is lblC8 8; cell 8 128; is lblC8 88; is cell:8:8 lit");
    row("the group takes input only while open", "type txtSText abc; cell 1 16; click cmdSpeed; is txtSText; "
        "is lblC1 0; " + on + "type txtSText abc; cell 1 16; is txtSText abc; is lblC1 10; " + on +
        "cell 1 16; is lblC1 10; click cmdCLR; is lblC1 0; choose cboPosition 1; is cboPosition 1:1");
    row("a cell is checked while lit, and its action is a click", on + "cell 3 8; is reader on|column 3, row 8; "
        "toggle 3 8; is reader on; is grid" + Empty8 + "; toggle 3 8; is lblC3 8; is grid 00 00 08 00 00 00 00 00; "
        "toggle 1 16; is reader on|column 1, row 1|column 3, row 8; click cmdCLR; is reader on");
    row("a cell's action does nothing while closed", "is reader off; toggle 5 1; is reader off; is lblC5 0; is grid" +
        Empty8);

    // A dot picture that cannot be read: said once, and the click changes nothing.
    const QString lit3 = "is grid 00 00 40 00 00 00 00 00; ", restore = "; cell 3 64; is lblC3 ";
    const QMap<QString, QString> afterwards{
        {"lighting", "cell 3 1; is cell:3:1 builtin; " + lit3 + "picture dotf.BMP good" + restore + "0"},
        {"unlighting", "cell 3 64; is cell:3:64 lit; is lblC3 40; " + lit3 + "picture dotb.JPG good" + restore + "0"},
        {"Clear ALL", "click cmdCLR; is cells builtin; is lblC3 0; is grid" + Empty8 + "; picture dotb.JPG good" +
         restore + "40"}};
    // Which headers are refused is the picture table's (tst_units); here how the window takes a refusal.
    const QStringList kinds{"missing", "empty", "truncated", "text"};
    const struct { const char *file, *action; int kinds; } failures[] = {
        {"dotb.JPG", "Clear ALL", 4}, {"dotf.BMP", "lighting", 3}, {"dotb.JPG", "unlighting", 1}};
    for (const auto &failure : failures)
        for (const QString &kind : kinds.first(failure.kinds))
            row(QStringLiteral("%1 %2, %3").arg(failure.file, kind, failure.action), on + "cell 3 64; picture " +
                failure.file + " " + kind + "; " + afterwards[failure.action], "", "",
                "Cannot load picture {dir}/" + QString(failure.file) + ": *");
}

void WindowTest::cases()
{
    QFETCH(QString, steps);
    QFETCH(QString, line);
    QFETCH(QString, monitor);
    QFETCH(QString, messages);
    WindowHarness harness;
    harness.run(steps);
    if (QTest::currentTestFailed()) return;
    const QString heard = QString::fromLatin1(harness.received().toHex(' ').toUpper());
    if (line != "-") QCOMPARE(heard, line);
    if (monitor == "=") monitor = heard.isEmpty() ? heard : heard + " ";
    if (monitor != "-") QCOMPARE(harness.control<QLabel>("lblTxData")->text(), monitor);
    const QString shown = harness.messages().shown.join('|').replace(harness.folder(), "{dir}");
    if (messages.endsWith('*'))
        QVERIFY2(shown.startsWith(messages.chopped(1)) && shown.size() >= messages.size() && !shown.contains('|'),
                 qPrintable(shown));
    else
        QCOMPARE(shown, messages);
    QFile settings(harness.filePath("vexel.ini"));
    QCOMPARE(settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray(), harness.settingsFile());
}

void WindowTest::layoutAndLooks()
{
    WindowHarness harness;
    MainWindow &window = harness.window();
    QCOMPARE(window.windowTitle(), "VexelApp ( 16x8 Dot Matrix LED Module)");
    window.resize(1000, 800);
    QCOMPARE(window.size(), QSize(796, 519));
    // Twips from the drawing, divided by 15 by hand.
    const struct { const char *name, *holder; QRect pixels; const char *caption; } places[] = {
        {"Frame1", "frmMain", {24, 24, 241, 49}, "Comm Port"}, {"cmdCLR", "frmMain", {616, 104, 57, 25}, "Clear ALL"},
        {"Frame3", "frmMain", {24, 80, 697, 345}, "Display Control"}, {"lblC1", "Frame3", {320, 256, 25, 17}, "0"},
        {"Frame2", "frmMain", {24, 440, 473, 57}, "Communication Monitor"},
        {"cmdConnect", "Frame1", {104, 16, 121, 17}, "CONNECT"}, {"lblTxData", "Frame2", {80, 24, 319, 17}, ""},
        {"cmdSendDA", "Frame3", {128, 32, 89, 33}, "Show Static Characters"},
        {"cmdSpeed", "Frame3", {80, 200, 121, 25}, "Set Scrolling Speed "},
        {"cmdAnimate3", "Frame3", {256, 296, 65, 33}, "Left Arrow"}, {"lblC8", "Frame3", {544, 256, 25, 17}, "0"},
        {"Frame4", "Frame3", {328, 16, 233, 233}, "DOT MATRIX"}, {"cboBMP", "Frame3", {592, 168, 49, 21}, "0"},
        {"cmdSaveSU", "Frame3", {360, 296, 201, 33}, "Save Current Screen as Startup"}};
    for (const auto &place : places) {
        QWidget *widget = harness.control(place.name);
        QVERIFY2(widget && widget->parentWidget()->objectName() == place.holder, place.name);
        QCOMPARE(widget->geometry(), place.pixels);
        // Groups have a title, lists a current text, buttons and labels a text.
        QCOMPARE(widget->property("title").toString() + widget->property("currentText").toString() +
                 widget->property("text").toString(), place.caption);
    }
    // Two controls of the window lie over the group, in front of it.
    for (const char *name : {"cmdCLR", "cboPosition"}) {
        QWidget *widget = harness.control(name);
        QWidget *atCentre = window.childAt(widget->geometry().center());
        QVERIFY(widget->parentWidget() == &window && (atCentre == widget || widget->isAncestorOf(atCentre)));
    }
    // Cells: the top row is weight 16, the fifth weight 1, the bottom weight 8; none in the gap between two.
    const auto cell = [](QPoint at) { const auto found = DotGridWidget::cellAt(at); return found ? found->column * 1000 + found->weight : 0; };
    QCOMPARE(QList<int>({cell({29, 37}), cell({29, 133}), cell({197, 205}), cell({44, 37})}), QList<int>({1016, 1001, 8008, 0}));
    // The face really there, not substituted; the sizes in pixels; the colours of the boxes and labels.
    const auto colour = [&](const char *name, QPalette::ColorRole role) { return harness.control(name)->palette().color(role).name(); };
    auto *box = harness.control<QLineEdit>("txtAText");
    QCOMPARE(QStringList({QFontInfo(window.font()).family(), QString::number(window.font().pixelSize()),
                          QString::number(box->font().pixelSize()), QString::number(harness.control("txtSText")->font().pixelSize()),
                          colour("txtAText", QPalette::Text), colour("lblC", QPalette::WindowText),
                          colour("lblTxData", QPalette::Window), colour("Frame4", QPalette::Window)}).join(' '),
             "Tahoma 11 19 11 #ff0000 #ff0000 #ffffc0 #c0c0c0");
    QCOMPARE(box->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    const QList<CaptionButton *> buttons = window.findChildren<CaptionButton *>();
    QCOMPARE(buttons.size(), 12);
    for (CaptionButton *button : buttons) { // each caption fits its button
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QRect text = button->fontMetrics().boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, button->text());
        QVERIFY2(area.contains(text), qPrintable(button->objectName()));
    }
}

// The dot grid as a screen reader meets it. What the cells say when lit or toggled are rows of
// the cases ("is reader", "toggle"). ctest runs this again alone at scale factor 2 (tst_accessibility),
// which the cells must not notice, and where the built-in dot must be drawn sharp, not enlarged.
void WindowTest::gridAsAScreenReaderAndTheEyeMeetIt()
{
    WindowHarness harness;
    auto *cells = harness.control<DotGridWidget>("dotCells");
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(cells);
    QAccessibleTableInterface *table = grid->tableInterface();
    QVERIFY(grid->role() == QAccessible::Table && table->rowCount() == 8 && table->columnCount() == 8 && grid->childCount() == 64);
    QCOMPARE(grid->parent()->text(QAccessible::Name), QStringLiteral("DOT MATRIX"));
    for (int index = 0; index < 64; ++index) {
        const int row = index / 8 + 1, column = index % 8 + 1, weight = std::array{16, 32, 64, 128, 1, 2, 4, 8}[row - 1];
        QAccessibleInterface *cell = grid->child(index);
        QCOMPARE(cell->text(QAccessible::Name) + " / " + cell->text(QAccessible::Description),
                 QStringLiteral("column %1, row %2 / bit weight %3").arg(column).arg(row).arg(weight));
        QVERIFY(table->cellAt(row - 1, column - 1) == cell && cell->tableCellInterface()->rowIndex() == row - 1);
        QVERIFY(cell->state().checkable && grid->indexOfChild(cell) == index && DotGridWidget::indexOf(column, weight) == index);
        // What lies under the cell's picture on screen is that cell.
        const QRect onScreen = cell->rect();
        QVERIFY(onScreen.size() == DotGridWidget::cellRect(column, weight).size()
                && grid->childAt(onScreen.center().x(), onScreen.center().y()) == cell);
    }
    const qreal ratio = qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2 ? 2.0 : 1.0;
    QCOMPARE(cells->devicePixelRatioF(), ratio);
    const auto rgb = [](const QPixmap &picture) { return picture.toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage shown = rgb(cells->grab(DotGridWidget::cellRect(2, 4)));
    QCOMPARE(shown, rgb(builtInUnlitDot(ratio)));
    QVERIFY(ratio == 1.0 || shown != rgb(builtInUnlitDot(1.0).scaled(shown.size())));
}

// The one case that lets a real box come up: its look, and that it blocks
// until the user presses OK.
void WindowTest::messageBoxIsPlainAndModal()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MessageBoxMessages messages;
    messages.setParentWidget(&window);
    QString seen;
    QTimer::singleShot(50, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = QStringLiteral("%1/%2/%3/%4/%5").arg(box->windowTitle(), box->text()).arg(box->icon())
                   .arg(box->buttons().size()).arg(box->windowModality());
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    messages.show("Bitmap Saved");
    QCOMPARE(seen, QStringLiteral("VexelApp/Bitmap Saved/%1/1/%2").arg(QMessageBox::NoIcon).arg(Qt::ApplicationModal));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"

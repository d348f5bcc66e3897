#include "AppLook.h"
#include "BuiltInDot.h"
#include "DotEditor.h"
#include "DotGridWidget.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

// The dot grid as a screen reader meets it, on a screen of twice the usual
// density: the whole suite runs at scale factor 2 (set before the
// application starts), which the cells must not notice.
class AccessibilityTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cellsFormATableInReadingOrder();
    void checkedFollowsTheDotAndTheActionClicks();
    void actionDoesNothingWhilePortClosed();
    void builtInDotDrawnAtScreenResolution();

private:
    QAccessibleInterface *table() { return QAccessible::queryAccessibleInterface(grid()); }
    QAccessibleInterface *cell(int column, int weight)
    {
        return table()->child(DotGridWidget::indexOf(column, weight));
    }
    DotGridWidget *grid() { return m_harness->control<DotGridWidget>("dotCells"); }
    QList<int> checkedCells();

    std::unique_ptr<WindowHarness> m_harness;
};

void AccessibilityTest::initTestCase()
{
    AppLook::prepare();
}

void AccessibilityTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->window();
}

void AccessibilityTest::cleanup()
{
    m_harness.reset();
}

QList<int> AccessibilityTest::checkedCells()
{
    QList<int> checked;
    for (int index = 0; index < table()->childCount(); ++index) {
        if (table()->child(index)->state().checked)
            checked.append(index);
    }
    return checked;
}

void AccessibilityTest::cellsFormATableInReadingOrder()
{
    QAccessibleInterface *grid = table();
    QCOMPARE(grid->role(), QAccessible::Table);
    QCOMPARE(grid->parent()->text(QAccessible::Name), QStringLiteral("DOT MATRIX"));
    QAccessibleTableInterface *asTable = grid->tableInterface();
    QVERIFY(asTable);
    QCOMPARE(asTable->rowCount(), 8);
    QCOMPARE(asTable->columnCount(), 8);
    QCOMPARE(grid->childCount(), 64);
    const QList<int> rowWeights{16, 32, 64, 128, 1, 2, 4, 8};
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 8; ++column) {
            const int weight = rowWeights[row - 1];
            QAccessibleInterface *cell = grid->child((row - 1) * 8 + column - 1);
            QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("column %1, row %2").arg(column).arg(row));
            QCOMPARE(cell->text(QAccessible::Description), QStringLiteral("bit weight %1").arg(weight));
            QCOMPARE(asTable->cellAt(row - 1, column - 1), cell);
            QCOMPARE(cell->tableCellInterface()->rowIndex(), row - 1);
            QVERIFY(cell->state().checkable);
            // What lies under the cell's picture on screen is that cell.
            const QRect onScreen = cell->rect();
            QCOMPARE(onScreen.size(), DotGridWidget::cellRect(column, weight).size());
            QCOMPARE(grid->childAt(onScreen.center().x(), onScreen.center().y()), cell);
            QCOMPARE(grid->indexOfChild(cell), (row - 1) * 8 + column - 1);
        }
    }
}

void AccessibilityTest::checkedFollowsTheDotAndTheActionClicks()
{
    m_harness->run(QStringLiteral("click cmdConnect; cell 3 8")); // column 3, row 8
    const int index = DotGridWidget::indexOf(3, 8);
    QCOMPARE(index, 7 * 8 + 2);
    QCOMPARE(checkedCells(), QList<int>{index});

    QAccessibleActionInterface *action = cell(3, 8)->actionInterface();
    QCOMPARE(action->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
    action->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(checkedCells(), QList<int>{});
    m_harness->run(QStringLiteral("is lblC3 0"));
    action->doAction(QAccessibleActionInterface::toggleAction());
    m_harness->run(QStringLiteral("is lblC3 8"));
    QCOMPARE(m_harness->window().dotEditor().grid().columnByte(3), quint8(8));

    cell(1, 16)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(checkedCells(), (QList<int>{0, index}));
    m_harness->run(QStringLiteral("click cmdCLR"));
    QCOMPARE(checkedCells(), QList<int>{});
}

void AccessibilityTest::actionDoesNothingWhilePortClosed()
{
    QVERIFY(cell(5, 1)->state().disabled);
    cell(5, 1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(checkedCells(), QList<int>{});
    m_harness->run(QStringLiteral("is lblC5 0"));
    QCOMPARE(m_harness->window().dotEditor().grid().columnByte(5), quint8(0));
}

void AccessibilityTest::builtInDotDrawnAtScreenResolution()
{
    QCOMPARE(grid()->devicePixelRatioF(), 2.0);
    const QImage shown = grid()->grab(DotGridWidget::cellRect(2, 4)).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(36, 38));
    const QImage sharp = builtInUnlitDot(2.0).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage enlarged = builtInUnlitDot(1.0).toImage().scaled(36, 38).convertToFormat(QImage::Format_RGB32);
    QVERIFY(sharp != enlarged);
    QCOMPARE(shown, sharp);
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    AccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accessibility.moc"

#include "AppLook.h"
#include "BuiltInDot.h"
#include "DotGridWidget.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

// The dot grid as a screen reader meets it, on a screen of twice the usual
// density: the program runs at scale factor 2 (set before the application
// starts), which the cells must not notice. What the cells say when lit or
// toggled are rows of the window test ("is reader", "toggle").
class AccessibilityTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void gridAsAScreenReaderAndTheEyeMeetIt();
};

void AccessibilityTest::gridAsAScreenReaderAndTheEyeMeetIt()
{
    WindowHarness harness;
    auto *cells = harness.control<DotGridWidget>("dotCells");
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(cells);
    QCOMPARE(grid->role(), QAccessible::Table);
    QCOMPARE(grid->parent()->text(QAccessible::Name), QStringLiteral("DOT MATRIX"));
    QAccessibleTableInterface *table = grid->tableInterface();
    QVERIFY(table && table->rowCount() == 8 && table->columnCount() == 8 && grid->childCount() == 64);
    const int rowWeights[] = {16, 32, 64, 128, 1, 2, 4, 8};
    for (int index = 0; index < 64; ++index) {
        const int row = index / 8 + 1, column = index % 8 + 1, weight = rowWeights[row - 1];
        QAccessibleInterface *cell = grid->child(index);
        QCOMPARE(cell->text(QAccessible::Name) + " / " + cell->text(QAccessible::Description),
                 QStringLiteral("column %1, row %2 / bit weight %3").arg(column).arg(row).arg(weight));
        QVERIFY(table->cellAt(row - 1, column - 1) == cell && cell->tableCellInterface()->rowIndex() == row - 1);
        QVERIFY(cell->state().checkable && grid->indexOfChild(cell) == index);
        QCOMPARE(DotGridWidget::indexOf(column, weight), index);
        // What lies under the cell's picture on screen is that cell.
        const QRect onScreen = cell->rect();
        QCOMPARE(onScreen.size(), DotGridWidget::cellRect(column, weight).size());
        QCOMPARE(grid->childAt(onScreen.center().x(), onScreen.center().y()), cell);
    }
    // The built-in dot is drawn at the screen's density, not enlarged.
    QCOMPARE(cells->devicePixelRatioF(), 2.0);
    const QImage shown = cells->grab(DotGridWidget::cellRect(2, 4)).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(36, 38));
    const QImage sharp = builtInUnlitDot(2.0).toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(sharp != builtInUnlitDot(1.0).toImage().scaled(36, 38).convertToFormat(QImage::Format_RGB32));
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

#include "AppLook.h"
#include "BuiltInDot.h"
#include "DotEditor.h"
#include "DotGrid.h"
#include "DotGridWidget.h"
#include "PictureLoader.h"
#include "WindowHarness.h"

#include <QFile>
#include <QLabel>
#include <QTest>

// The pattern model alone, then the editor in the real window: the row
// order, XOR both ways, and the pictures read anew from the folder.
class DotEditorTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void cleanup() { m_harness.reset(); }

    void modelFlipsWithXor_data();
    void modelFlipsWithXor();
    void columnLabels_data();
    void columnLabels();

    void clickShowsPictureByteAndLabel();
    void fullColumnLeavesOthersAlone();
    void doubleClickCountsOnce();
    void replacedPictureShowsOnNextChange();
    void clearAllReloadsEveryCell();
    void clearAllAfterDrawing();

private:
    void openWindow();
    QImage cellImage(int column, int weight) { return cells()->cellPicture(column, weight).toImage(); }
    QImage fileImage(const QString &name) { return PictureLoader::load(m_harness->filePath(name)).pixmap.toImage(); }
    DotGridWidget *cells() { return m_harness->control<DotGridWidget>("dotCells"); }
    const DotGrid &grid() { return m_harness->window().dotEditor().grid(); }

    std::unique_ptr<WindowHarness> m_harness;
};

void DotEditorTest::modelFlipsWithXor_data()
{
    QTest::addColumn<QList<int>>("weights"); // clicked in order on column 3
    QTest::addColumn<int>("byte");
    QTest::newRow("top dot") << QList<int>{16} << 0x10;
    QTest::newRow("top dot twice") << QList<int>{16, 16} << 0;
    QTest::newRow("fifth row") << QList<int>{1} << 0x01;
    QTest::newRow("upper half") << QList<int>{16, 32, 64, 128} << 0xF0;
    QTest::newRow("whole column") << QList<int>{16, 32, 64, 128, 1, 2, 4, 8} << 0xFF;
    QTest::newRow("whole column, one back") << QList<int>{16, 32, 64, 128, 1, 2, 4, 8, 32} << 0xDF;
}

void DotEditorTest::modelFlipsWithXor()
{
    QFETCH(QList<int>, weights);
    QFETCH(int, byte);
    DotGrid model;
    for (int weight : weights)
        model.toggle(3, weight);
    QCOMPARE(int(model.columnByte(3)), byte);
    for (int weight : DotGrid::RowWeights)
        QCOMPARE(model.isOn(3, weight), (byte & weight) != 0);
    for (int column : {1, 2, 4, 5, 6, 7, 8})
        QCOMPARE(int(model.columnByte(column)), 0);
    model.clearStates();
    model.clearBytes();
    QCOMPARE(model.bitmapData(), (std::array<quint8, 8>{}));
    for (int weight : DotGrid::RowWeights)
        QVERIFY(!model.isOn(3, weight));
}

void DotEditorTest::columnLabels_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("one digit") << 8 << "8";
    QTest::newRow("sixteen") << 16 << "10";
    QTest::newRow("upper case") << 0xAB << "AB";
    QTest::newRow("full") << 255 << "FF";
}

void DotEditorTest::columnLabels()
{
    QFETCH(int, value);
    QFETCH(QString, label);
    QCOMPARE(DotGrid::columnLabel(quint8(value)), label);
}

void DotEditorTest::openWindow()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    m_harness->connect();
}

void DotEditorTest::clickShowsPictureByteAndLabel()
{
    openWindow();
    const QImage builtIn = builtInUnlitDot().toImage();
    QCOMPARE(cellImage(1, 16), builtIn);
    m_harness->clickCell(1, 16);
    QCOMPARE(m_harness->columnLabel(1), "10");
    QCOMPARE(int(grid().columnByte(1)), 0x10);
    QCOMPARE(cellImage(1, 16), fileImage("dotf.BMP"));
    QCOMPARE(cellImage(1, 32), builtIn); // only the clicked cell changed
    m_harness->clickCell(1, 16);
    QCOMPARE(m_harness->columnLabel(1), "0");
    QCOMPARE(cellImage(1, 16), fileImage("dotb.JPG"));
    m_harness->clickCell(1, 1);
    QCOMPARE(m_harness->columnLabel(1), "1");
}

void DotEditorTest::fullColumnLeavesOthersAlone()
{
    openWindow();
    m_harness->clickCell(2, 4);
    for (int weight : DotGrid::RowWeights)
        m_harness->clickCell(5, weight);
    QCOMPARE(m_harness->columnLabel(5), "FF");
    QCOMPARE(m_harness->columnLabel(2), "4");
    for (int column : {1, 3, 4, 6, 7, 8})
        QCOMPARE(m_harness->columnLabel(column), "0");
    QCOMPARE(grid().bitmapData(), (std::array<quint8, 8>{0, 4, 0, 0, 0xFF, 0, 0, 0}));
}

void DotEditorTest::doubleClickCountsOnce()
{
    openWindow();
    // Through the window system, as a real double click arrives: the second
    // press comes as a double click.
    QWindow *window = m_harness->window().windowHandle();
    const QPoint at = cells()->mapTo(&m_harness->window(), DotGridWidget::cellRect(4, 128).center());
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    QCOMPARE(m_harness->columnLabel(4), "80");
    // Outside every cell nothing happens, and neither does a press released elsewhere.
    QTest::mouseClick(cells(), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mousePress(cells(), Qt::LeftButton, {}, DotGridWidget::cellRect(6, 1).center());
    QTest::mouseRelease(cells(), Qt::LeftButton, {}, DotGridWidget::cellRect(7, 1).center());
    QCOMPARE(grid().bitmapData(), (std::array<quint8, 8>{0, 0, 0, 0x80, 0, 0, 0, 0}));
}

void DotEditorTest::replacedPictureShowsOnNextChange()
{
    openWindow();
    m_harness->clickCell(1, 2);
    const QImage before = cellImage(1, 2);
    QImage green(18, 19, QImage::Format_RGB32);
    green.fill(Qt::green);
    QFile::remove(m_harness->filePath("dotf.BMP"));
    QVERIFY(green.save(m_harness->filePath("dotf.BMP"), "BMP"));
    m_harness->clickCell(1, 4);
    QCOMPARE(cellImage(1, 2), before);
    QCOMPARE(cellImage(1, 4).pixelColor(5, 5), QColor(Qt::green));
}

void DotEditorTest::clearAllReloadsEveryCell()
{
    openWindow();
    m_harness->click("cmdCLR");
    const QImage unlit = fileImage("dotb.JPG");
    for (int column = 1; column <= 8; ++column) {
        QCOMPARE(m_harness->columnLabel(column), "0");
        for (int weight : DotGrid::RowWeights)
            QCOMPARE(cellImage(column, weight), unlit);
    }
    QCOMPARE(m_harness->control<QLabel>("lblTxData")->text(), QString());
    QCOMPARE(m_harness->line().read(1, 100), QByteArray()); // the module hears nothing
    QVERIFY(m_harness->messages().shown.isEmpty());
}

void DotEditorTest::clearAllAfterDrawing()
{
    openWindow();
    m_harness->clickCell(1, 16);
    m_harness->clickCell(8, 8);
    m_harness->clickCell(6, 2);
    m_harness->click("cmdConnect"); // works with the port closed too
    m_harness->click("cmdCLR");
    QCOMPARE(grid().bitmapData(), (std::array<quint8, 8>{}));
    for (int column = 1; column <= 8; ++column)
        for (int weight : DotGrid::RowWeights)
            QVERIFY(!grid().isOn(column, weight));
    m_harness->connect();
    m_harness->clickCell(8, 8);
    QCOMPARE(m_harness->columnLabel(8), "8");
    m_harness->clickCell(8, 128);
    QCOMPARE(m_harness->columnLabel(8), "88");
    QCOMPARE(cellImage(8, 8), fileImage("dotf.BMP"));
}

QTEST_MAIN(DotEditorTest)
#include "tst_doteditor.moc"

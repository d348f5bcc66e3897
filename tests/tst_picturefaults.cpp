#include "AppLook.h"
#include "BuiltInDot.h"
#include "DotEditor.h"
#include "DotGrid.h"
#include "DotGridWidget.h"
#include "ProcessFigures.h"
#include "WindowHarness.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <QtEndian>

using namespace ProcessFigures;

namespace {

constexpr qint64 MiB = 1024 * 1024;

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The shipped dot with its header made to claim 60000 x 60000 pixels.
QByteArray claimingGiantSize(QByteArray picture)
{
    if (picture.startsWith("BM")) {
        qToLittleEndian(qint32(60000), picture.data() + 18);
        qToLittleEndian(qint32(60000), picture.data() + 22);
        return picture;
    }
    qsizetype frame = picture.indexOf(QByteArray("\xFF\xC0", 2));
    if (frame < 0)
        frame = picture.indexOf(QByteArray("\xFF\xC2", 2));
    if (frame < 0)
        return QByteArray();
    qToBigEndian(quint16(60000), picture.data() + frame + 5);
    qToBigEndian(quint16(60000), picture.data() + frame + 7);
    return picture;
}

} // namespace

// Missing and broken dot pictures under the real window: what a click or
// "Clear ALL" that needs one does, and the memory it may cost.
class PictureFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void init();
    void cleanup() { m_harness.reset(); }

    void brokenPicture_data();
    void brokenPicture();

private:
    QImage cellImage(int column, int weight) { return cells()->cellPicture(column, weight).toImage(); }
    DotGridWidget *cells() { return m_harness->control<DotGridWidget>("dotCells"); }
    const DotGrid &grid() { return m_harness->window().dotEditor().grid(); }
    void verifyCleared();

    std::unique_ptr<WindowHarness> m_harness;
};

void PictureFaultsTest::init()
{
    m_harness = std::make_unique<WindowHarness>();
    m_harness->showWindow();
    m_harness->connect();
}

void PictureFaultsTest::verifyCleared()
{
    QCOMPARE(grid().bitmapData(), (std::array<quint8, 8>{}));
    const QImage builtIn = builtInUnlitDot().toImage();
    for (int column = 1; column <= 8; ++column) {
        QCOMPARE(m_harness->columnLabel(column), "0");
        for (int weight : DotGrid::RowWeights) {
            QVERIFY(!grid().isOn(column, weight));
            QCOMPARE(cellImage(column, weight), builtIn);
        }
    }
}

void PictureFaultsTest::brokenPicture_data()
{
    QTest::addColumn<QString>("file");    // the picture that is broken
    QTest::addColumn<QString>("content"); // what it is made of
    QTest::addColumn<QString>("action");  // what needs it

    const char *files[] = {"dotf.BMP", "dotb.JPG"};
    for (const char *content : {"giant BMP header", "giant JPEG header"}) {
        QTest::addRow("lit dot with a %s, lighting", content) << files[0] << content << "light";
        QTest::addRow("unlit dot with a %s, unlighting", content) << files[1] << content << "unlight";
        QTest::addRow("unlit dot with a %s, Clear ALL", content) << files[1] << content << "clear";
    }
    for (const char *content : {"missing", "empty", "truncated", "not a picture"})
        QTest::addRow("unlit dot %s, Clear ALL", content) << files[1] << content << "clear";
    QTest::newRow("lit dot missing, lighting") << files[0] << "missing" << "light";
    QTest::newRow("unlit dot missing, unlighting") << files[1] << "missing" << "unlight";
    QTest::newRow("lit dot empty, lighting") << files[0] << "empty" << "light";
    QTest::newRow("lit dot truncated, lighting") << files[0] << "truncated" << "light";
}

void PictureFaultsTest::brokenPicture()
{
    QFETCH(QString, file);
    QFETCH(QString, content);
    QFETCH(QString, action);
    const QString path = m_harness->filePath(file);
    const QByteArray good = contentOf(path);
    const QByteArray otherFormat = contentOf(m_harness->filePath(file == "dotf.BMP" ? "dotb.JPG" : "dotf.BMP"));
    QByteArray broken;
    if (content == "giant BMP header")
        broken = claimingGiantSize(good.startsWith("BM") ? good : otherFormat);
    else if (content == "giant JPEG header")
        broken = claimingGiantSize(good.startsWith("BM") ? otherFormat : good);
    else if (content == "truncated")
        broken = good.left(good.size() / 2);
    else if (content == "not a picture")
        broken = "[Settings]\nCommPort=1\n";
    QVERIFY(content == "empty" || content == "missing" || !broken.isEmpty());

    m_harness->clickCell(3, 64); // lit while the pictures are good
    if (action == "unlight")
        QCOMPARE(m_harness->columnLabel(3), "40");
    QFile picture(path);
    if (content == "missing") {
        QVERIFY(picture.remove());
    } else {
        QVERIFY(picture.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(picture.write(broken), broken.size());
        picture.close();
    }

    QTest::qWait(50);
    const qint64 atRest = residentBytes();
    QVERIFY(resetPeakResident());
    const QImage before = cellImage(3, action == "light" ? 1 : 64);
    if (action == "light")
        m_harness->clickCell(3, 1);
    else if (action == "unlight")
        m_harness->clickCell(3, 64);
    else
        m_harness->click("cmdCLR");
    const qint64 peak = peakResidentBytes() - atRest;
    qInfo("resident memory rose by at most %lld KiB", peak / 1024);
    QVERIFY2(peak < 64 * MiB, qPrintable(QStringLiteral("resident memory rose by %1 MiB").arg(peak / MiB)));

    // Reported once, naming the file.
    QCOMPARE(m_harness->messages().shown.size(), 1);
    QVERIFY2(m_harness->messages().shown.first().contains(path), qPrintable(m_harness->messages().shown.first()));
    if (action == "clear") {
        verifyCleared();
    } else {
        // The dot keeps its state, and byte, label and picture agree with it.
        QCOMPARE(cellImage(3, action == "light" ? 1 : 64), before);
        QCOMPARE(m_harness->columnLabel(3), "40");
        QCOMPARE(int(grid().columnByte(3)), 0x40);
        QVERIFY(grid().isOn(3, 64));
        QVERIFY(!grid().isOn(3, 1));
    }

    // The good picture back: the editor carries on from where it stands.
    QVERIFY(picture.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(picture.write(good), good.size());
    picture.close();
    m_harness->clickCell(3, 64);
    QCOMPARE(m_harness->columnLabel(3), action == "clear" ? "40" : "0");
    QCOMPARE(m_harness->messages().shown.size(), 1);
}

QTEST_MAIN(PictureFaultsTest)
#include "tst_picturefaults.moc"

#include "PictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <QtEndian>

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void replacedFileShowsOnNextLoad();
    void shippedDots_data();
    void shippedDots();

private:
    QString writeFile(const QString &name, const QByteArray &content);

    QTemporaryDir m_dir;
};

static QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format, 95))
        qFatal("cannot encode %s", format);
    return bytes;
}

static QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A real BMP whose header is then made to claim another size.
static QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bytes = encoded(filled(2, 2, Qt::red), "BMP");
    qToLittleEndian(width, bytes.data() + 18);
    qToLittleEndian(height, bytes.data() + 22);
    return bytes;
}

// A real JPEG whose start-of-frame segment is then made to claim another size.
static QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QByteArray bytes = encoded(filled(16, 16, Qt::red), "JPEG");
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (frame < 0)
        qFatal("no baseline frame in the JPEG");
    qToBigEndian(height, bytes.data() + frame + 5);
    qToBigEndian(width, bytes.data() + frame + 7);
    return bytes;
}

QString TestPictureLoader::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPictureLoader::load_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("size");      // invalid: must fail
    QTest::addColumn<QString>("reason");  // part of the error text

    const QByteArray bmp = encoded(filled(18, 19, Qt::red), "BMP");
    const QByteArray jpeg = encoded(filled(18, 19, Qt::white), "JPEG");
    const QSize dot(18, 19);

    QTest::newRow("good BMP") << "good.BMP" << true << bmp << dot << "";
    QTest::newRow("good JPEG") << "good.JPG" << true << jpeg << dot << "";
    QTest::newRow("JPEG content named .BMP") << "jpeg.BMP" << true << jpeg << dot << "";
    QTest::newRow("BMP content named .JPG") << "bmp.JPG" << true << bmp << dot << "";
    QTest::newRow("largest allowed size") << "big.BMP" << true << encoded(filled(1024, 1024, Qt::red), "BMP")
                                          << QSize(1024, 1024) << "";
    QTest::newRow("missing") << "missing.BMP" << false << QByteArray() << QSize() << "File not found";
    QTest::newRow("empty") << "empty.BMP" << true << QByteArray() << QSize() << "";
    QTest::newRow("BMP cut in its header") << "cut.BMP" << true << bmp.left(20) << QSize() << "";
    QTest::newRow("JPEG cut in its header") << "cut.JPG" << true << jpeg.left(40) << QSize() << "";
    QTest::newRow("text named .BMP") << "text.BMP" << true << QByteArray("[Settings]\nCommPort=1\n") << QSize()
                                     << "";
    QTest::newRow("one pixel too wide") << "wide.BMP" << true << encoded(filled(1025, 1, Qt::red), "BMP")
                                        << QSize() << "1025 x 1";
    QTest::newRow("BMP header claiming 60000 x 60000") << "huge.BMP" << true << bmpClaiming(60000, 60000)
                                                       << QSize() << "";
    QTest::newRow("BMP header claiming 16384 x 16384") << "large.BMP" << true << bmpClaiming(16384, 16384)
                                                       << QSize() << "16384 x 16384";
    QTest::newRow("BMP header claiming 60000 rows stored top-down")
        << "tall.BMP" << true << bmpClaiming(2, -60000) << QSize() << "2 x 60000";
    QTest::newRow("JPEG header claiming 60000 x 60000") << "huge.JPG" << true << jpegClaiming(60000, 60000)
                                                        << QSize() << "60000 x 60000";
}

void TestPictureLoader::load()
{
    QFETCH(QString, fileName);
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(QSize, size);
    QFETCH(QString, reason);

    const QString path = exists ? writeFile(fileName, content) : m_dir.filePath(fileName);
    const PictureLoader::Result result = PictureLoader::load(path);
    if (size.isValid()) {
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.pixmap.size(), size);
        return;
    }
    QVERIFY(!result.ok());
    QVERIFY(result.pixmap.isNull());
    QVERIFY2(result.error.startsWith(QStringLiteral("Cannot load picture %1: ").arg(path)), qPrintable(result.error));
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    // The reason after the path is never empty.
    QVERIFY2(result.error.size() > QStringLiteral("Cannot load picture %1: ").arg(path).size(), qPrintable(result.error));
}

void TestPictureLoader::replacedFileShowsOnNextLoad()
{
    const QString path = writeFile(QStringLiteral("dotf.BMP"), encoded(filled(18, 19, Qt::red), "BMP"));
    const PictureLoader::Result before = PictureLoader::load(path);
    QVERIFY2(before.ok(), qPrintable(before.error));
    QCOMPARE(before.pixmap.toImage().pixelColor(9, 9), QColor(Qt::red));

    writeFile(QStringLiteral("dotf.BMP"), encoded(filled(10, 12, Qt::blue), "BMP"));
    const PictureLoader::Result after = PictureLoader::load(path);
    QVERIFY2(after.ok(), qPrintable(after.error));
    QCOMPARE(after.pixmap.size(), QSize(10, 12));
    QCOMPARE(after.pixmap.toImage().pixelColor(5, 5), QColor(Qt::blue));

    QVERIFY(QFile::remove(path));
    QVERIFY(!PictureLoader::load(path).ok());
}

void TestPictureLoader::shippedDots_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QColor>("centre");

    QTest::newRow("lit dot") << "dotf.BMP" << QColor(255, 0, 0);
    QTest::newRow("unlit dot") << "dotb.JPG" << QColor(255, 255, 255);
}

static bool near(QColor a, QColor b)
{
    constexpr int tolerance = 12; // JPEG blurs colours a little
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

void TestPictureLoader::shippedDots()
{
    QFETCH(QString, fileName);
    QFETCH(QColor, centre);

    const PictureLoader::Result result = PictureLoader::load(QStringLiteral(VEXEL_ASSETS_DIR "/") + fileName);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.pixmap.size(), QSize(18, 19));

    const QImage image = result.pixmap.toImage();
    const QColor silver(192, 192, 192);
    for (const QPoint corner : {QPoint(0, 0), QPoint(17, 0), QPoint(0, 18), QPoint(17, 18)})
        QVERIFY2(near(image.pixelColor(corner), silver), qPrintable(image.pixelColor(corner).name()));
    QVERIFY2(near(image.pixelColor(9, 9), centre), qPrintable(image.pixelColor(9, 9).name()));
    // The outline: darker than both the ground and the disc, left of centre.
    const QColor outline = image.pixelColor(1, 9);
    QVERIFY2(outline.value() < 128, qPrintable(outline.name()));
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

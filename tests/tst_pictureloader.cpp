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

static QByteArray encoded(int width, int height, QColor colour, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format, 95))
        qFatal("cannot encode %s", format);
    return bytes;
}

// A real BMP whose header is then made to claim another size.
static QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bytes = encoded(2, 2, Qt::red, "BMP");
    qToLittleEndian(width, bytes.data() + 18);
    qToLittleEndian(height, bytes.data() + 22);
    return bytes;
}

// A real JPEG whose start-of-frame segment is then made to claim another size.
static QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QByteArray bytes = encoded(16, 16, Qt::red, "JPEG");
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
    QTest::addColumn<QString>("fileName"); // empty: no file at all
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("size");       // invalid: must fail
    QTest::addColumn<QString>("reason");   // part of the error text

    const QByteArray bmp = encoded(18, 19, Qt::red, "BMP");
    QTest::newRow("good BMP") << "good.BMP" << bmp << QSize(18, 19) << "";
    QTest::newRow("JPEG content named .BMP") << "jpeg.BMP" << encoded(18, 19, Qt::white, "JPEG") << QSize(18, 19) << "";
    QTest::newRow("largest allowed size") << "big.BMP" << encoded(1024, 1024, Qt::red, "BMP") << QSize(1024, 1024)
                                          << "";
    QTest::newRow("missing") << "" << QByteArray() << QSize() << "File not found";
    QTest::newRow("empty") << "empty.BMP" << QByteArray() << QSize() << "";
    QTest::newRow("cut in its header") << "cut.BMP" << bmp.left(20) << QSize() << "";
    QTest::newRow("text named .BMP") << "text.BMP" << QByteArray("[Settings]\nCommPort=1\n") << QSize() << "";
    QTest::newRow("one pixel too wide") << "wide.BMP" << encoded(1025, 1, Qt::red, "BMP") << QSize() << "1025 x 1";
    QTest::newRow("BMP header claiming 60000 x 60000") << "huge.BMP" << bmpClaiming(60000, 60000) << QSize() << "";
    QTest::newRow("BMP header claiming 60000 rows stored top-down")
        << "tall.BMP" << bmpClaiming(2, -60000) << QSize() << "2 x 60000";
    QTest::newRow("JPEG header claiming 60000 x 60000")
        << "huge.JPG" << jpegClaiming(60000, 60000) << QSize() << "60000 x 60000";
}

void TestPictureLoader::load()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QSize, size);
    QFETCH(QString, reason);

    const QString path = fileName.isEmpty() ? m_dir.filePath("missing.BMP") : writeFile(fileName, content);
    const PictureLoader::Result result = PictureLoader::load(path);
    if (size.isValid()) {
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.pixmap.size(), size);
        return;
    }
    QVERIFY(result.pixmap.isNull());
    const QString prefix = QStringLiteral("Cannot load picture %1: ").arg(path);
    QVERIFY2(result.error.startsWith(prefix) && result.error.size() > prefix.size(), qPrintable(result.error));
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
}

void TestPictureLoader::replacedFileShowsOnNextLoad()
{
    const QString path = writeFile("dotf.BMP", encoded(18, 19, Qt::red, "BMP"));
    QCOMPARE(PictureLoader::load(path).pixmap.toImage().pixelColor(9, 9), QColor(Qt::red));
    writeFile("dotf.BMP", encoded(10, 12, Qt::blue, "BMP"));
    const QImage after = PictureLoader::load(path).pixmap.toImage();
    QCOMPARE(after.size(), QSize(10, 12));
    QCOMPARE(after.pixelColor(5, 5), QColor(Qt::blue));
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

// A disc of the centre's colour with a dark outline on a silver ground.
void TestPictureLoader::shippedDots()
{
    QFETCH(QString, fileName);
    QFETCH(QColor, centre);
    const QImage image = PictureLoader::load(QStringLiteral(VEXEL_ASSETS_DIR "/") + fileName).pixmap.toImage();
    QCOMPARE(image.size(), QSize(18, 19));
    const auto near = [&image](QPoint point, QColor colour) { // JPEG blurs colours a little
        const QColor seen = image.pixelColor(point);
        return qAbs(seen.red() - colour.red()) <= 12 && qAbs(seen.green() - colour.green()) <= 12
            && qAbs(seen.blue() - colour.blue()) <= 12;
    };
    QVERIFY(near({0, 0}, QColor(192, 192, 192)) && near({17, 18}, QColor(192, 192, 192)));
    QVERIFY(near({9, 9}, centre));
    QVERIFY(image.pixelColor(1, 9).value() < 128);
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"

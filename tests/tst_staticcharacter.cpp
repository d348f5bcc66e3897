#include "StaticCharacter.h"

#include <QTest>

class TestStaticCharacter : public QObject
{
    Q_OBJECT

private slots:
    void readBoxes_data();
    void readBoxes();
};

void TestStaticCharacter::readBoxes_data()
{
    QTest::addColumn<QString>("firstBox");
    QTest::addColumn<QString>("secondBox");
    QTest::addColumn<int>("failedBox");
    QTest::addColumn<QByteArray>("bytes"); // the two character bytes, when both boxes are good
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");

    const QString space = QStringLiteral(" ");

    QTest::newRow("both empty become spaces") << "" << "" << 0 << QByteArray("\x20\x20") << space << space;
    QTest::newRow("typed space is like an empty box") << " " << " " << 0 << QByteArray("\x20\x20") << space << space;
    QTest::newRow("custom 0 and 9 keep their text") << "^0" << "^9" << 0 << QByteArray("\x00\x09", 2) << "^0" << "^9";
    QTest::newRow("two letters: first kept") << "AB" << "CD" << 0 << QByteArray("\x41\x43") << "A" << "C";
    QTest::newRow("digit then caret is the digit") << "5^" << "" << 0 << QByteArray("\x35\x20") << "5" << space;
    QTest::newRow("blank then caret is the blank") << " ^" << "x" << 0 << QByteArray("\x20x") << space << "x";
    QTest::newRow("letter and custom 5") << "A" << "^5" << 0 << QByteArray("\x41\x05") << "A" << "^5";
    QTest::newRow("\u00E9 as one byte") << QString(QChar(0xE9)) << "" << 0 << QByteArray("\xE9\x20")
                                        << QString(QChar(0xE9)) << space;
    QTest::newRow("\u20AC as one byte") << QString::fromUtf16(u"\u20ACx") << "" << 0 << QByteArray("\x80\x20")
                                        << QString(QChar(0x20AC)) << space;
    QTest::newRow("unmappable letter is ?") << QString(QChar(0x4E2D)) << "" << 0 << QByteArray("?\x20")
                                            << QString(QChar(0x4E2D)) << space;
    QTest::newRow("emoji stays whole in the box") << QString::fromUtf16(u"\U0001F600x") << "" << 0
                                                  << QByteArray("?\x20") << QString::fromUtf16(u"\U0001F600")
                                                  << space;

    QTest::newRow("caret alone") << "^" << "x" << 1 << QByteArray() << "^" << "x";
    QTest::newRow("caret and letter") << "^A" << "" << 1 << QByteArray() << "^A" << "";
    QTest::newRow("two carets") << "^^" << "AB" << 1 << QByteArray() << "^^" << "AB";
    QTest::newRow("caret and non-ASCII digit") << QString::fromUtf16(u"^\u0663") << "" << 1 << QByteArray()
                                               << QString::fromUtf16(u"^\u0663") << "";
    QTest::newRow("caret and emoji") << QString::fromUtf16(u"^\U0001F600") << "" << 1 << QByteArray()
                                     << QString::fromUtf16(u"^\U0001F600") << "";
    QTest::newRow("second box fails: first box keeps its rewrite") << "QR" << "^A" << 2 << QByteArray()
                                                                   << "Q" << "^A";
    QTest::newRow("second box caret alone") << "" << "^" << 2 << QByteArray() << space << "^";
}

void TestStaticCharacter::readBoxes()
{
    QFETCH(QString, firstBox);
    QFETCH(QString, secondBox);
    QFETCH(int, failedBox);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);

    const StaticCharacterPair pair = readStaticCharacters(firstBox, secondBox);
    QCOMPARE(pair.failedBox, failedBox);
    QCOMPARE(pair.ok(), failedBox == 0);
    QCOMPARE(pair.first.boxText, firstAfter);
    QCOMPARE(pair.second.boxText, secondAfter);
    if (failedBox == 0) {
        QCOMPARE(QByteArray(1, char(pair.first.byte)) + char(pair.second.byte), bytes);
        QVERIFY(pair.first.ok && pair.second.ok);
    }
    // Each box on its own gives the same as within the pair.
    const StaticCharacter first = readStaticCharacter(firstBox);
    QCOMPARE(first.ok, failedBox != 1);
    QCOMPARE(first.boxText, firstAfter);
}

QTEST_APPLESS_MAIN(TestStaticCharacter)
#include "tst_staticcharacter.moc"

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

    const QString emoji = QString::fromUtf16(u"\U0001F600");
    const QString arabicThree = QString::fromUtf16(u"\u0663");
    QTest::newRow("both empty become spaces") << "" << "" << 0 << QByteArray("  ") << " " << " ";
    QTest::newRow("custom 0 and 9 keep their text") << "^0" << "^9" << 0 << QByteArray("\x00\x09", 2) << "^0" << "^9";
    QTest::newRow("digit then caret is the digit") << "5^" << "" << 0 << QByteArray("5 ") << "5" << " ";
    QTest::newRow("emoji stays whole in the box") << emoji + "x" << "" << 0 << QByteArray("? ") << emoji << " ";
    QTest::newRow("caret alone") << "^" << "x" << 1 << QByteArray() << "^" << "x";
    QTest::newRow("caret and Arabic-Indic 3") << "^" + arabicThree << "" << 1 << QByteArray() << "^" + arabicThree << "";
    QTest::newRow("first box fails: second box not looked at") << "^A" << "" << 1 << QByteArray() << "^A" << "";
    QTest::newRow("second box fails: first box keeps its rewrite") << "QR" << "^A" << 2 << QByteArray() << "Q" << "^A";
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
    if (pair.ok())
        QCOMPARE(QByteArray(1, char(pair.first.byte)) + char(pair.second.byte), bytes);
}

QTEST_APPLESS_MAIN(TestStaticCharacter)
#include "tst_staticcharacter.moc"

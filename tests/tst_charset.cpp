#include "Charset.h"

#include <QTest>

class TestCharset : public QObject
{
    Q_OBJECT

private slots:
    void toModuleBytes_data();
    void toModuleBytes();
};

void TestCharset::toModuleBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("A") << QStringLiteral("A") << QByteArray("\x41");
    QTest::newRow("space") << QStringLiteral(" ") << QByteArray("\x20");
    QTest::newRow("caret and digits") << QStringLiteral("^09") << QByteArray("^09");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("DEL") << QStringLiteral("\x7F") << QByteArray("\x7F");
    QTest::newRow("no-break space") << QString(QChar(0xA0)) << QByteArray("\xA0");
    QTest::newRow("\u00E9") << QString(QChar(0xE9)) << QByteArray("\xE9");
    QTest::newRow("\u00FF") << QString(QChar(0xFF)) << QByteArray("\xFF");
    QTest::newRow("\u20AC") << QString(QChar(0x20AC)) << QByteArray("\x80");
    QTest::newRow("\u0178") << QString(QChar(0x0178)) << QByteArray("\x9F");
    QTest::newRow("\u2018") << QString(QChar(0x2018)) << QByteArray("\x91");
    QTest::newRow("the 27 characters Windows-1252 puts at 0x80 .. 0x9F")
        << QString::fromUtf16(u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152"
                              u"\u017D\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161"
                              u"\u203A\u0153\u017E\u0178")
        << QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95"
                      "\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
    QTest::newRow("the five undefined codes stand for their C1 controls")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D") << QByteArray("\x81\x8D\x8F\x90\x9D");
    QTest::newRow("other C1 controls become ?")
        << QString::fromUtf16(u"\u0080\u0082\u009F") << QByteArray("???");
    QTest::newRow("\u0100 (just past Latin-1)") << QString(QChar(0x0100)) << QByteArray("?");
    QTest::newRow("\u4E2D") << QString(QChar(0x4E2D)) << QByteArray("?");
    QTest::newRow("emoji, one character in two UTF-16 units")
        << QString::fromUtf16(u"\U0001F600") << QByteArray("?");
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << QByteArray("?");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("mixed")
        << QString::fromUtf16(u"Caf\u00E9 \u20AC5 \u4E2D\U0001F600x") << QByteArray("Caf\xE9 \x80" "5 ??x");
}

void TestCharset::toModuleBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::toModuleBytes(text), bytes);
}

QTEST_APPLESS_MAIN(TestCharset)
#include "tst_charset.moc"

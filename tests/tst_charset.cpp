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

    QTest::newRow("ASCII from NUL to DEL") << QString::fromUtf16(u"\0 A^9\u007F", 6) << QByteArray("\0 A^9\x7F", 6);
    QTest::newRow("Latin-1 from no-break space to \u00FF")
        << QString::fromUtf16(u"\u00A0\u00E9\u00FF") << QByteArray("\xA0\xE9\xFF");
    QTest::newRow("the 27 characters Windows-1252 puts at 0x80 .. 0x9F")
        << QString::fromUtf16(u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D\u2018"
                              u"\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178")
        << QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95"
                      "\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
    QTest::newRow("the five undefined codes stand for their C1 controls")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D") << QByteArray("\x81\x8D\x8F\x90\x9D");
    QTest::newRow("other C1 controls become ?") << QString::fromUtf16(u"\u0080\u0082\u009F") << QByteArray("???");
    QTest::newRow("\u0100 (just past Latin-1) and \u4E2D become ?")
        << QString::fromUtf16(u"\u0100\u4E2D") << QByteArray("??");
    QTest::newRow("emoji, one character in two UTF-16 units")
        << QString::fromUtf16(u"x\U0001F600x") << QByteArray("x?x");
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << QByteArray("?");
}

void TestCharset::toModuleBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(::toModuleBytes(text), bytes);
}

QTEST_APPLESS_MAIN(TestCharset)
#include "tst_charset.moc"

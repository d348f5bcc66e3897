#include "IniReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestIniReader : public QObject
{
    Q_OBJECT

private slots:
    void readsValue_data();
    void readsValue();
    void findsNothingWithoutAPlainFile();
    void hugeFileIsQuick();
    void findsTheFileInTheProgramFolder();
    void startupPortIndex_data();
    void startupPortIndex();

private:
    QString writeFile(const QString &name, const QByteArray &content);

    QTemporaryDir m_dir;
};

QString TestIniReader::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestIniReader::readsValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QByteArray &content, const QString &expected,
                        const QString &section = "Settings", const QString &key = "CommPort") {
        QTest::newRow(name) << content << section << key << expected;
    };

    const QByteArray digits300 = QByteArray("0123456789").repeated(30);
    QByteArray garbage(8192, '\0');
    QRandomGenerator(1234).fillRange(reinterpret_cast<quint32 *>(garbage.data()), garbage.size() / 4);

    row("zero bytes", "", "");
    row("key only in another section", "[Other]\nCommPort=4\n", "");
    row("other section first", "[Other]\nCommPort=4\n[Settings]\nCommPort=5\n", "5");
    row("second CommPort in a later section does not count", "[Settings]\nCommPort=6\n[Extra]\nCommPort=7\n", "6");
    row("key before any section belongs to none", "CommPort=3\n[Settings]\nBaud=1\n", "");
    row("repeated section: the first counts", "[Settings]\nCommPort=2\n[Settings]\nCommPort=9\n", "2");
    row("repeated section: the second is not searched", "[Settings]\nBaud=1\n[Settings]\nCommPort=9\n", "");
    row("repeated key: the first counts", "[Settings]\nCommPort=2\nCommPort=3\n", "2");
    row("longer and shorter keys around", "[Settings]\nCommPortX=1\nXCommPort=2\nCommPort=8\n", "8");
    row("case, in the file and asked", "[sEtTiNgS]\ncommPORT=4\n", "4", "SETTINGS", "commport");
    row("blanks and tabs, in the file and asked", " \t[ Settings\t]  \n\t CommPort  = \t5 \t\n", "5", " Settings ",
        "\tCommPort ");
    row("value holding an equals sign", "[Settings]\nCommPort=a=b\n", "a=b");
    row("single quotes", "[Settings]\nCommPort='8'\n", "8");
    row("double quotes keep inner blanks", "[Settings]\nCommPort = \" 9 \" \n", " 9 ");
    row("one pair of quotes only", "[Settings]\nCommPort=\"\"3\"\"\n", "\"3\"");
    row("quotes that do not match stay", "[Settings]\nCommPort=\"3'\n", "\"3'");
    row("a lone quote stays", "[Settings]\nCommPort=\"\n", "\"");
    row("empty first key hides a later one", "[Settings]\nCommPort=\nCommPort=3\n", "");
    row("line without equals sign is no key", "[Settings]\nCommPort\nCommPort=3\n", "3");
    row("300 characters cut to 254", "[Settings]\nCommPort=" + digits300 + "\n", digits300.left(254));
    row("quoted 300 characters: quotes go, then the cut", "[Settings]\nCommPort=\"" + digits300 + "\"\n",
        digits300.left(254));
    row("comment lines, indented or not", "[Settings]\n;CommPort=4\n  ; CommPort=5\nCommPort=6\n", "6");
    row("semicolon inside a value is kept", "[Settings]\nCommPort=3 ;port\n", "3 ;port");
    row("header without closing bracket is ignored", "[Settings]\n[Broken\nCommPort=3\n", "3");
    row("CR LF line ends", "[Settings]\r\nBaud=1\r\nCommPort=3\r\n", "3");
    row("no final newline", "[Settings]\nCommPort=3", "3");
    row("UTF-8 byte-order mark", "\xEF\xBB\xBF[Settings]\nCommPort=3\n", "3");
    row("NUL ends the text of its line", QByteArrayLiteral("[Settings]\n\0\0\0\nCommPort=3\0 7\n"), "3");
    row("8-bit bytes in the value", "[Settings]\nCommPort=\xE9\xFF\n", QString::fromLatin1("\xE9\xFF"));
    row("garbage, then the section", garbage + "\n[Settings]\nCommPort=3\n", "3");
}

void TestIniReader::readsValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(readIniValue(writeFile(QTest::currentDataTag() + QString(".ini"), content), section, key), expected);
}

void TestIniReader::findsNothingWithoutAPlainFile()
{
    QCOMPARE(readIniValue(m_dir.filePath("missing.ini"), "Settings", "CommPort"), QString());
    QVERIFY(QDir(m_dir.path()).mkdir("folder.ini"));
    QCOMPARE(readIniValue(m_dir.filePath("folder.ini"), "Settings", "CommPort"), QString());
    // Opening a pipe with no writer would wait for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("pipe.ini")).constData(), 0600), 0);
    QCOMPARE(readIniValue(m_dir.filePath("pipe.ini"), "Settings", "CommPort"), QString());
}

// 10 MiB before the section: half of it one line with no line end, half many short lines of another section.
void TestIniReader::hugeFileIsQuick()
{
    const QString path = writeFile("huge.ini", QByteArray(5 << 20, 'x') + "\n[Other]\n"
                                                   + QByteArray("Key=1234567890\n").repeated((5 << 20) / 15)
                                                   + "[Settings]\nCommPort=11\n");
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(readIniValue(path, "Settings", "CommPort"), QStringLiteral("11"));
    QCOMPARE(readIniValue(path, "Settings", "Missing"), QString());
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

// ReadINI takes the program folder with or without its separator.
void TestIniReader::findsTheFileInTheProgramFolder()
{
    QTemporaryDir program;
    QFile file(program.filePath("vexel.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Settings]\nCommPort=12\n") > 0 && file.flush());
    QCOMPARE(ReadINI(program.path(), "Settings", "CommPort"), QStringLiteral("12"));
    QCOMPARE(ReadINI(program.path() + '/', "Settings", "CommPort"), QStringLiteral("12"));
    QCOMPARE(ReadINI(m_dir.path(), "Settings", "CommPort"), QString());
    QCOMPARE(programFolderPath("/"), "/");
    QCOMPARE(AppPath(), QCoreApplication::applicationDirPath() + '/');
}

void TestIniReader::startupPortIndex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");

    QTest::newRow("0 selects nothing") << "0" << -1;
    QTest::newRow("1 is the first entry") << "1" << 0;
    QTest::newRow("20 is the last entry") << "20" << 19;
    QTest::newRow("21 is beyond the list") << "21" << 0;
    QTest::newRow("-1 is before the list") << "-1" << 0;
    QTest::newRow("2.5: 1.5 goes up to even 2") << "2.5" << 2;
    QTest::newRow("3.5: 2.5 goes down to even 2") << "3.5" << 2;
    QTest::newRow("0.5: -0.5 goes up to 0") << "0.5" << 0;
    QTest::newRow("0.4: -0.6 is -1") << "0.4" << -1;
    QTest::newRow("2.6 rounds up") << "2.6" << 2;
    QTest::newRow("20.4 rounds down to the last") << "20.4" << 19;
    QTest::newRow("20.5: 19.5 goes to 20, beyond") << "20.5" << 0;
    QTest::newRow("blanks around, plus sign") << " +5 " << 4;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("number then letters") << "3abc" << 0;
    QTest::newRow("point alone") << "." << 0;
    QTest::newRow("nan") << "nan" << 0;
    QTest::newRow("exponent") << "1e1" << 0;
    QTest::newRow("huge") << "99999999999999999999999" << 0;
}

void TestIniReader::startupPortIndex()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(::startupPortIndex(text), index);
}

QTEST_GUILESS_MAIN(TestIniReader)
#include "tst_inireader.moc"

#include "IniReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestIniReader : public QObject
{
    Q_OBJECT

private slots:
    void readsValue_data();
    void readsValue();
    void refusesWhatIsNoFile();
    void hugeFileIsQuick();
    void programFolderPath_data();
    void programFolderPath();
    void appPathIsTheProgramFolder();
    void readIniLooksInTheGivenFolder();
    void startupPortIndex_data();
    void startupPortIndex();

private:
    QString writeFile(const QByteArray &content);

    QTemporaryDir m_dir;
    int m_fileCount = 0;
};

QString TestIniReader::writeFile(const QByteArray &content)
{
    const QString path = m_dir.filePath(QStringLiteral("file%1.ini").arg(++m_fileCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

static QByteArray garbage(int size)
{
    QRandomGenerator random(1234);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

void TestIniReader::readsValue_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString s = QStringLiteral("Settings");
    const QString k = QStringLiteral("CommPort");
    const QByteArray digits300 = QByteArray("0123456789").repeated(30);

    QTest::newRow("missing file") << false << QByteArray() << s << k << "";
    QTest::newRow("zero bytes") << true << QByteArray() << s << k << "";
    QTest::newRow("plain") << true << QByteArray("[Settings]\nCommPort=3\n") << s << k << "3";
    QTest::newRow("key only in another section")
        << true << QByteArray("[Other]\nCommPort=4\n") << s << k << "";
    QTest::newRow("other section first")
        << true << QByteArray("[Other]\nCommPort=4\n[Settings]\nCommPort=5\n") << s << k << "5";
    QTest::newRow("second CommPort in a later section does not count")
        << true << QByteArray("[Settings]\nCommPort=6\n[Extra]\nCommPort=7\n") << s << k << "6";
    QTest::newRow("key of a later section is not the section's")
        << true << QByteArray("[Settings]\nBaud=9600\n[Extra]\nCommPort=7\n") << s << k << "";
    QTest::newRow("key before any section belongs to none")
        << true << QByteArray("CommPort=3\n[Settings]\nBaud=1\n") << s << k << "";
    QTest::newRow("repeated section: the first counts")
        << true << QByteArray("[Settings]\nCommPort=2\n[Settings]\nCommPort=9\n") << s << k << "2";
    QTest::newRow("repeated section: the second is not searched")
        << true << QByteArray("[Settings]\nBaud=1\n[Settings]\nCommPort=9\n") << s << k << "";
    QTest::newRow("repeated key: the first counts")
        << true << QByteArray("[Settings]\nCommPort=2\nCommPort=3\n") << s << k << "2";
    QTest::newRow("other keys around")
        << true << QByteArray("[Settings]\nCommPortX=1\nXCommPort=2\nCommPort=8\n") << s << k << "8";
    QTest::newRow("case of names in the file")
        << true << QByteArray("[sEtTiNgS]\ncommPORT=4\n") << s << k << "4";
    QTest::newRow("case of the asked names")
        << true << QByteArray("[Settings]\nCommPort=4\n") << "SETTINGS" << "commport" << "4";
    QTest::newRow("blanks around names and value")
        << true << QByteArray("  [  Settings  ]  \n   CommPort   =   5   \n") << s << k << "5";
    QTest::newRow("tabs around names and value")
        << true << QByteArray("\t[\tSettings\t]\n\tCommPort\t=\t6\t\n") << s << k << "6";
    QTest::newRow("blanks around the asked names")
        << true << QByteArray("[Settings]\nCommPort=7\n") << " Settings " << "  CommPort " << "7";
    QTest::newRow("blank inside a key name is part of it")
        << true << QByteArray("[Settings]\nComm Port=3\n") << s << k << "";
    QTest::newRow("value holding an equals sign")
        << true << QByteArray("[Settings]\nCommPort=a=b\n") << s << k << "a=b";
    QTest::newRow("double quotes")
        << true << QByteArray("[Settings]\nCommPort=\"7\"\n") << s << k << "7";
    QTest::newRow("single quotes")
        << true << QByteArray("[Settings]\nCommPort='8'\n") << s << k << "8";
    QTest::newRow("quotes keep inner blanks")
        << true << QByteArray("[Settings]\nCommPort = \" 9 \" \n") << s << k << " 9 ";
    QTest::newRow("one pair of quotes only")
        << true << QByteArray("[Settings]\nCommPort=\"\"3\"\"\n") << s << k << "\"3\"";
    QTest::newRow("quotes that do not match stay")
        << true << QByteArray("[Settings]\nCommPort=\"3'\n") << s << k << "\"3'";
    QTest::newRow("a lone quote stays")
        << true << QByteArray("[Settings]\nCommPort=\"\n") << s << k << "\"";
    QTest::newRow("empty value") << true << QByteArray("[Settings]\nCommPort=\n") << s << k << "";
    QTest::newRow("blank value") << true << QByteArray("[Settings]\nCommPort=   \n") << s << k << "";
    QTest::newRow("empty quoted value")
        << true << QByteArray("[Settings]\nCommPort=\"\"\n") << s << k << "";
    QTest::newRow("empty first key hides a later one")
        << true << QByteArray("[Settings]\nCommPort=\nCommPort=3\n") << s << k << "";
    QTest::newRow("line without equals sign is no key")
        << true << QByteArray("[Settings]\nCommPort\nCommPort=3\n") << s << k << "3";
    QTest::newRow("300 characters cut to 254")
        << true << QByteArray("[Settings]\nCommPort=" + digits300 + "\n") << s << k << QString::fromLatin1(digits300.left(254));
    QTest::newRow("quoted 300 characters: quotes go, then the cut")
        << true << QByteArray("[Settings]\nCommPort=\"" + digits300 + "\"\n") << s << k
        << QString::fromLatin1(digits300.left(254));
    QTest::newRow("comment line")
        << true << QByteArray("[Settings]\n;CommPort=4\nCommPort=5\n") << s << k << "5";
    QTest::newRow("comment line is no key, even when asked for")
        << true << QByteArray("[Settings]\n;CommPort=4\n") << s << ";CommPort" << "";
    QTest::newRow("indented comment line")
        << true << QByteArray("[Settings]\n  ; CommPort=4\nCommPort=5\n") << s << k << "5";
    QTest::newRow("commented section header")
        << true << QByteArray(";[Settings]\nCommPort=3\n[Settings]\nCommPort=4\n") << s << k << "4";
    QTest::newRow("semicolon inside a value is kept")
        << true << QByteArray("[Settings]\nCommPort=3 ;port\n") << s << k << "3 ;port";
    QTest::newRow("header without closing bracket is ignored")
        << true << QByteArray("[Settings]\n[Broken\nCommPort=3\n") << s << k << "3";
    QTest::newRow("CR LF line ends")
        << true << QByteArray("[Settings]\r\nBaud=1\r\nCommPort=3\r\n") << s << k << "3";
    QTest::newRow("no final newline") << true << QByteArray("[Settings]\nCommPort=3") << s << k << "3";
    QTest::newRow("UTF-8 byte-order mark")
        << true << QByteArray("\xEF\xBB\xBF[Settings]\nCommPort=3\n") << s << k << "3";
    QTest::newRow("NUL ends the text of its line")
        << true << QByteArrayLiteral("[Settings]\n\0\0\0\nCommPort=3\0 7\n") << s << k << "3";
    QTest::newRow("NUL in a key line does not hide the next line")
        << true << QByteArrayLiteral("[Settings]\nComm\0Port=2\nCommPort=4\n") << s << k << "4";
    QTest::newRow("8-bit bytes in the value")
        << true << QByteArray("[Settings]\nCommPort=\xE9\xFF\n") << s << k << QString::fromLatin1("\xE9\xFF");
    QTest::newRow("garbage, then the section")
        << true << QByteArray(garbage(8192) + "\n[Settings]\nCommPort=3\n") << s << k << "3";
    QTest::newRow("garbage only") << true << garbage(8192) << s << k << "";
}

void TestIniReader::readsValue()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString path = exists ? writeFile(content) : m_dir.filePath(QStringLiteral("absent.ini"));
    QCOMPARE(readIniValue(path, section, key), expected);
}

void TestIniReader::refusesWhatIsNoFile()
{
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.ini")));
    QCOMPARE(readIniValue(m_dir.filePath(QStringLiteral("folder.ini")), "Settings", "CommPort"), QString());
#ifdef Q_OS_UNIX
    // Opening a pipe with no writer would wait for ever.
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(readIniValue(fifo, "Settings", "CommPort"), QString());
#endif
}

void TestIniReader::hugeFileIsQuick()
{
    // 10 MiB before the section: half of it as one line with no line end,
    // half as many short lines of another section.
    QByteArray content(5 * 1024 * 1024, 'x');
    content += "\n[Other]\n" + QByteArray("Key=1234567890\n").repeated(5 * 1024 * 1024 / 15);
    content += "[Settings]\nCommPort=11\n";
    const QString path = writeFile(content);
    content.clear();

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(readIniValue(path, "Settings", "CommPort"), QStringLiteral("11"));
    QCOMPARE(readIniValue(path, "Settings", "Missing"), QString());
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void TestIniReader::programFolderPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root keeps its one separator") << "/" << "/";
    QTest::newRow("folder gets one") << "/opt/vexel" << "/opt/vexel/";
    QTest::newRow("folder with one keeps it") << "/opt/vexel/" << "/opt/vexel/";
}

void TestIniReader::programFolderPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(::programFolderPath(QDir::fromNativeSeparators(folder)), QDir::toNativeSeparators(expected));
}

void TestIniReader::appPathIsTheProgramFolder()
{
    const QString path = AppPath();
    QCOMPARE(path, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator());
    QVERIFY(!path.endsWith(QString(2, QDir::separator())));
}

void TestIniReader::readIniLooksInTheGivenFolder()
{
    QTemporaryDir program;
    QFile file(program.filePath(QStringLiteral("vexel.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("[Settings]\nCommPort=12\n") > 0);
    file.close();

    QCOMPARE(ReadINI(program.path(), "Settings", "CommPort"), QStringLiteral("12"));
    QCOMPARE(ReadINI(program.path() + QLatin1Char('/'), "Settings", "CommPort"), QStringLiteral("12"));
    QCOMPARE(ReadINI(m_dir.path(), "Settings", "CommPort"), QString());
}

void TestIniReader::startupPortIndex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");

    QTest::newRow("0 selects nothing") << "0" << -1;
    QTest::newRow("1 is the first entry") << "1" << 0;
    QTest::newRow("3 is the third entry") << "3" << 2;
    QTest::newRow("20 is the last entry") << "20" << 19;
    QTest::newRow("21 is beyond the list") << "21" << 0;
    QTest::newRow("-1 is before the list") << "-1" << 0;
    QTest::newRow("2.5: 1.5 goes up to even 2") << "2.5" << 2;
    QTest::newRow("3.5: 2.5 goes down to even 2") << "3.5" << 2;
    QTest::newRow("1.5: 0.5 goes down to 0") << "1.5" << 0;
    QTest::newRow("0.5: -0.5 goes up to 0") << "0.5" << 0;
    QTest::newRow("0.4: -0.6 is -1") << "0.4" << -1;
    QTest::newRow("2.6 rounds up") << "2.6" << 2;
    QTest::newRow("20.4 rounds down to the last") << "20.4" << 19;
    QTest::newRow("20.5: 19.5 goes to 20, beyond") << "20.5" << 0;
    QTest::newRow("blanks around") << " 3 " << 2;
    QTest::newRow("tab and newline around") << "\t7\n" << 6;
    QTest::newRow("plus sign") << "+5" << 4;
    QTest::newRow("leading zero") << "03" << 2;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blank") << "   " << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("number then letters") << "3abc" << 0;
    QTest::newRow("two numbers") << "3 4" << 0;
    QTest::newRow("point alone") << "." << 0;
    QTest::newRow("nan") << "nan" << 0;
    QTest::newRow("inf") << "inf" << 0;
    QTest::newRow("hexadecimal") << "0x10" << 0;
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

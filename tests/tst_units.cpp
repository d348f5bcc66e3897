#include "AnimationText.h"
#include "Charset.h"
#include "IniReader.h"
#include "LineSettings.h"
#include "PictureFormat.h"
#include "PictureLoader.h"
#include "PlayPlanner.h"
#include "PicturePattern.h"
#include "PortName.h"
#include "ProcessFigures.h"
#include "SettingsLocation.h"
#include "StaticCharacter.h"
#include "TestFiles.h"
#include "TextCommands.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#if !defined(Q_OS_WIN)
#include <sys/stat.h>
#endif

namespace {

// One behaviour, one table: each row is a case named for what it means, what
// goes in and what must come out, both as text. A row that fails names itself; "*" in what must come
// out stands for anything.
void checkRows(const QList<std::array<QString, 3>> &table, const std::function<QString(QString)> &function)
{
    for (const auto &[name, in, out] : table) {
        const QString got = function(in);
        const bool matches =
            out.contains('*') ? QRegularExpression::fromWildcard(out, Qt::CaseSensitive).match(got).hasMatch() : got == out;
        QVERIFY2(matches, qPrintable(QStringLiteral("%1: \"%2\" where \"%3\" was due").arg(name, got, out)));
    }
}

QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

QByteArray dataFile(const QString &name)
{
    QFile file(QStringLiteral(VEXEL_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A red picture, or one whose header is then made to claim another size.
QByteArray picture(const char *format, int width, int height, bool claimed = false)
{
    const bool bmp = qstrcmp(format, "BMP") == 0;
    QImage image(!claimed ? QSize(width, height) : bmp ? QSize(2, 2) : QSize(16, 16), QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    if (claimed && bmp) {
        qToLittleEndian(qint32(width), bytes.data() + 18);
        qToLittleEndian(qint32(height), bytes.data() + 22);
    } else if (claimed) {
        const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
        qToBigEndian(quint16(height), bytes.data() + frame + 5);
        qToBigEndian(quint16(width), bytes.data() + frame + 7);
    }
    return bytes;
}

} // namespace

class UnitsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // The file's content: "|" is a line end, %XX any byte, {big ...} ten MiB
    // before what follows. "@SECTION@KEY@" in front asks for other names.
    void settingsLookup()
    {
        const QString digits300 = QStringLiteral("0123456789").repeated(30);
        checkRows({{"zero bytes", "", ""}, {"key only in another section", "[Other]|CommPort=4|", ""},
                   {"other section first", "[Other]|CommPort=4|[Settings]|CommPort=5|", "5"},
                   {"a later section does not count", "[Settings]|CommPort=6|[Extra]|CommPort=7|", "6"},
                   {"key before any section belongs to none", "CommPort=3|[Settings]|Baud=1|", ""},
                   {"repeated section: the first counts", "[Settings]|CommPort=2|[Settings]|CommPort=9|", "2"},
                   {"repeated section: the second is not searched", "[Settings]|Baud=1|[Settings]|CommPort=9|", ""},
                   {"repeated key: the first counts", "[Settings]|CommPort=2|CommPort=3|", "2"},
                   {"longer and shorter keys around", "[Settings]|CommPortX=1|XCommPort=2|CommPort=8|", "8"},
                   {"case, in the file and asked", "@SETTINGS@commport@[sEtTiNgS]|commPORT=4|", "4"},
                   {"blanks and tabs, in the file and asked", "@ Settings @\tCommPort @ \t[ Settings\t]  |\t CommPort  = \t5 \t|", "5"},
                   {"value holding an equals sign", "[Settings]|CommPort=a=b|", "a=b"},
                   {"single quotes", "[Settings]|CommPort='8'|", "8"},
                   {"double quotes keep inner blanks", "[Settings]|CommPort = \" 9 \" |", " 9 "},
                   {"one pair of quotes only", "[Settings]|CommPort=\"\"3\"\"|", "\"3\""},
                   {"quotes that do not match stay", "[Settings]|CommPort=\"3'|", "\"3'"},
                   {"a lone quote stays", "[Settings]|CommPort=\"|", "\""},
                   {"empty first key hides a later one", "[Settings]|CommPort=|CommPort=3|", ""},
                   {"line without equals sign is no key", "[Settings]|CommPort|CommPort=3|", "3"},
                   {"300 characters cut to 254", "[Settings]|CommPort=" + digits300 + "|", digits300.left(254)},
                   {"quoted 300 characters: quotes go, then the cut", "[Settings]|CommPort=\"" + digits300 + "\"|", digits300.left(254)},
                   {"comment lines, indented or not", "[Settings]|;CommPort=4|  ; CommPort=5|CommPort=6|", "6"},
                   {"semicolon inside a value is kept", "[Settings]|CommPort=3 ;port|", "3 ;port"},
                   {"header without closing bracket is ignored", "[Settings]|[Broken|CommPort=3|", "3"},
                   {"CR LF line ends", "[Settings]%0D|Baud=1%0D|CommPort=3%0D|", "3"},
                   {"no final newline", "[Settings]|CommPort=3", "3"},
                   {"UTF-8 byte-order mark", "%EF%BB%BF[Settings]|CommPort=3|", "3"},
                   {"UTF-16LE with its mark, as Windows writes it", "{utf16}[Settings]|CommPort=3|", "3"},
                   {"UTF-16BE with its mark, Notepad's \"Unicode big endian\"", "{utf16be}[Settings]|CommPort=3|", "3"},
                   {"NUL ends the text of its line", "[Settings]|%00%00%00|CommPort=3%00 7|", "3"},
                   {"8-bit bytes in the value", "[Settings]|CommPort=%E9%FF|", QString::fromLatin1("\xE9\xFF")},
                   {"random bytes, then the section", "{big random}|[Settings]|CommPort=3|", "3"},
                   {"10 MiB in one line, then the section", "{big line}|[Settings]|CommPort=11|", "11"},
                   {"10 MiB of other lines, then the section", "{big lines}[Settings]|CommPort=12|", "12"},
                   {"10 MiB of NUL bytes", "{big nul}", ""}},
                  [this](QString in) {
            QStringList names{"Settings", "CommPort"};
            if (in.startsWith('@'))
                names = in.split('@').mid(1, 2), in = in.section('@', 3);
            QByteArray content = QByteArray::fromPercentEncoding(in.replace('|', "%0A").toLatin1());
            if (in.startsWith("{utf16"))
                content = QStringEncoder(in.startsWith("{utf16be}") ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                                         QStringConverter::Flag::WriteBom)
                              .encode(in.section('}', 1).replace("%0A", "\r\n"));
            QByteArray random(8192, '\0');
            QRandomGenerator(1234).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
            content.replace("{big random}", random).replace("{big line}", QByteArray(10 << 20, 'x'));
            content.replace("{big lines}", "[Other]\n" + QByteArray("Key=0123456789abcdef\n").repeated((10 << 20) / 21));
            content.replace("{big nul}", QByteArray(10 << 20, '\0'));
            if (!writeFile(m_dir.filePath("vexel.ini"), content))
                return QStringLiteral("cannot write");
            // A linear reader takes well under a second, even under the
            // sanitizers on a busy machine; one that goes back over what it
            // has read takes minutes on the big rows.
            QElapsedTimer clock;
            clock.start();
            const QString value = readIniValue(m_dir.filePath("vexel.ini"), names[0], names[1]);
            return clock.elapsed() < 5000 ? value : QStringLiteral("took %1 ms").arg(clock.elapsed());
        });
    }

    // Found with or without a final slash; no plain file gives nothing, and
    // no wait for a writer that never comes.
    void settingsFileLocation()
    {
        QTemporaryDir program;
        QVERIFY(writeFile(program.filePath("vexel.ini"), "[Settings]\nCommPort=12\n"));
        QCOMPARE(ReadINI(program.path(), "Settings", "CommPort"), "12");
        QCOMPARE(ReadINI(program.path() + '/', "Settings", "CommPort"), "12");
        QCOMPARE(programFolderPath("/"), QDir::toNativeSeparators("/"));
        QCOMPARE(AppPath(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + '/'));
        QVERIFY(QDir(program.path()).mkdir("folder.ini"));
#if !defined(Q_OS_WIN)
        QCOMPARE(::mkfifo(QFile::encodeName(program.filePath("pipe.ini")).constData(), 0600), 0);
#endif
        for (const char *name : {"missing.ini", "folder.ini", "pipe.ini"})
            QCOMPARE(readIniValue(program.filePath(name), "Settings", "CommPort"), QString());
    }

    // In: which folders hold a vexel.ini ("user", "program"), the user's
    // folder given as such or found as the system has it (Windows:
    // %APPDATA%\VexelApp, set here). Out: whose file is read.
    void settingsFileChoice()
    {
        const QString systemsChoice = hostPortNaming() == PortNaming::Windows ? "user" : "program";
        checkRows({{"the user's own file comes first", "user program", "user"},
                   {"without one, the program folder's", "program", "program"},
                   {"a folder named vexel.ini is no file", "userfolder program", "program"},
                   {"an empty file of the user's hides nothing", "useremptyfile program", "program"},
                   {"the user's folder where this system has one", "appdata user program", systemsChoice}},
                  [](const QString &in) {
            QTemporaryDir temporary;
            const QString program = temporary.filePath("program"), user = temporary.filePath("appdata/VexelApp");
            writeFile(program + "/vexel.ini", "[Settings]\nCommPort=2\n");
            if (in.contains("userfolder"))
                QDir().mkpath(user + "/vexel.ini");
            else if (in.contains("useremptyfile"))
                writeFile(user + "/vexel.ini");
            else if (in.contains("user"))
                writeFile(user + "/vexel.ini", "[Settings]\nCommPort=3\n");
            QString value;
            if (in.startsWith("appdata")) {
                const QByteArray before = qgetenv("APPDATA");
                qputenv("APPDATA", QFile::encodeName(temporary.filePath("appdata")));
                value = ReadINI(program, "Settings", "CommPort");
                qputenv("APPDATA", before);
            } else {
                value = settingsValue(program, "Settings", "CommPort", user).value;
            }
            return value == "3" ? QStringLiteral("user") : value == "2" ? QStringLiteral("program") : value;
        });
    }

    void startupRounding()
    {
        checkRows({{"0 selects nothing", "0", "-1"}, {"1 is the first entry", "1", "0"}, {"20 is the last entry", "20", "19"},
                   {"21 is beyond the list", "21", "0"}, {"-1 is before the list", "-1", "0"},
                   {"2.5: 1.5 goes up to even 2", "2.5", "2"}, {"3.5: 2.5 goes down to even 2", "3.5", "2"},
                   {"0.5: -0.5 goes up to 0", "0.5", "0"}, {"0.4: -0.6 is -1", "0.4", "-1"}, {"2.6 rounds up", "2.6", "2"},
                   {"20.4 rounds down to the last", "20.4", "19"}, {"20.5: 19.5 goes to 20, beyond", "20.5", "0"},
                   {"blanks around, plus sign", " +5 ", "4"}, {"empty", "", "0"}, {"number then letters", "3abc", "0"},
                   {"the port's name", "COM3", "2"}, {"a comment after the number", "3 ; USB adapter", "2"},
                   {"the port's name as the mode command writes it", "COM3:", "2"}, {"the port's device", "\\\\.\\COM12", "11"},
                   {"point alone", ".", "0"}, {"nan", "nan", "0"}, {"exponent", "1e1", "0"},
                   {"huge", "99999999999999999999999", "0"}},
                  [](const QString &in) { return QString::number(startupPortIndex(in)); });
    }

    // In: the two boxes, "|" between. Out: the two bytes, or the box that
    // failed, and then what each box holds afterwards.
    void staticCharacters()
    {
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        checkRows({{"both empty become spaces", "|", "20 20| | "}, {"custom 0 and 9 keep their text", "^0|^9", "00 09|^0|^9"},
                   {"digit then caret is the digit", "5^|", "35 20|5| "},
                   {"emoji: no byte, named whole", emoji + "x|", "box 1: \"" + emoji + "\" cannot be shown*|" + emoji + "x|"},
                   {"letter and combining accent are one letter", QString::fromUtf16(u"e\u0301|^2"), "E9 02|\u00E9|^2"},
                   {"caret alone", "^|x", "box 1|^|x"}, {"caret and the character after 9", "^:|", "box 1|^:|"},
                   {"caret and Arabic-Indic 3", QString::fromUtf16(u"^\u0663|"), QString::fromUtf16(u"box 1|^\u0663|")},
                   {"first box fails: the second is not looked at", "^A|", "box 1|^A|"},
                   {"second box fails: the first keeps its rewrite", "QR|^A", "box 2|Q|^A"}},
                  [](const QString &in) {
            const StaticCharacterPair pair = readStaticCharacters(in.section('|', 0, 0), in.section('|', 1));
            const QString refusal = pair.ok() ? QString() : TextCommands::refusal(pair);
            return (pair.ok() ? hex(QByteArray(1, char(pair.first.byte)) + char(pair.second.byte))
                              : QStringLiteral("box %1").arg(pair.failedBox) + (refusal == TextCommands::InvalidData ? "" : ": " + refusal))
                + '|' + pair.first.boxText + '|' + pair.second.boxText;
        });
    }

    void characterSet()
    {
        checkRows({{"ASCII from NUL to DEL", QString::fromUtf16(u"\0 A^9\u007F", 6), "00 20 41 5E 39 7F"},
                   {"Latin-1 from no-break space", QString::fromUtf16(u"\u00A0\u00E9\u00FF"), "A0 E9 FF"},
                   {"the 27 characters Windows-1252 puts at 0x80 .. 0x9F",
                    QString::fromUtf16(u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D"
                                       u"\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178"),
               "80 82 83 84 85 86 87 88 89 8A 8B 8C 8E 91 92 93 94 95 96 97 98 99 9A 9B 9C 9E 9F"},
                   {"the five undefined codes stand for their C1 controls",
                    QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"), "81 8D 8F 90 9D"},
                   {"other C1 controls have none", QString::fromUtf16(u"\u0080\u0082\u009F"), "none none none"},
                   {"Greek and Chinese have no near letter", QString::fromUtf16(u"\u03A9\u4E2D"), "none none"},
                   {"Turkish capital dotted I and small dotless i", QString::fromUtf16(u"\u0130\u0131"), "49 69"},
                   {"full-width letters and the ideographic space", QString::fromUtf16(u"\uFF28\uFF29\u3000"), "48 49 20"},
                   {"marks the set lacks go, the last first", QString::fromUtf16(u"\u0151\u01D6\u0100"), "6F FC 41"},
                   {"letters with a stroke", QString::fromUtf16(u"\u0142\u0141\u0111\u0110\u0127"), "6C 4C 64 D0 68"},
                   {"a letter and its combining mark are one letter", QString::fromUtf16(u"u\u0308"), "FC"},
                   {"emoji, one character in two UTF-16 units", QString::fromUtf16(u"x\U0001F600x"), "78 none 78"},
                   {"lone surrogate", QString(QChar(0xD83D)), "none"}},
                  [](const QString &in) {
            QStringList bytes;
            for (const char32_t letter : moduleLetters(in)) {
                const std::optional<quint8> byte = toModuleByte(letter);
                bytes << (byte ? hex(QByteArray(1, char(*byte))) : QStringLiteral("none"));
            }
            return bytes.join(' ');
        });
    }

    // Out: why the scroll text cannot go out, "" when it can; the first
    // letter that cannot is named, whatever keeps it out.
    void scrollTextThatEndsNowhere()
    {
        QList<std::array<QString, 3>> rows;
        for (const QChar letter : QStringView(u"\u00F7\u00F8\u00F9\u00FA\u00FC\u00FD\u00FE"))
            rows.append({QStringLiteral("opcode letter %1").arg(letter), QStringLiteral("Bj%1rn").arg(letter),
                         QStringLiteral("\"%1\" cannot be scrolled: the module takes its byte %2 for a command")
                             .arg(letter, QString::number(letter.unicode(), 16).toUpper())});
        rows.append({{"best fit to an opcode letter", QString::fromUtf16(u"\u01D6"), "\"\u01D6\" *byte FC*"},
                     {"composed to an opcode letter", QString::fromUtf16(u"u\u0308"), "\"\u00FC\" *byte FC*"},
                     {"a letter without a byte, before an opcode letter", QString::fromUtf16(u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 Gr\u00FC\u00DFe"),
                      "\"\u039A\" cannot be shown: the module has neither this letter nor one near it"},
                     {"FB, FF and a typed ? go out", QString::fromUtf16(u"\u00FB\u00FF Caf\u00E9?"), ""}});
        checkRows(rows, [](const QString &in) { return TextCommands::unscrollable(in); });
    }

    void portNames()
    {
        // Linux's port 1 and port 0 are rows of the port device table.
        checkRows({{"Linux port 20", "20 linux", "/dev/ttyS19"}, {"Linux negative number", "-1 linux", ""},
                   {"Windows port above 9, in the device namespace", "12 windows", "\\\\.\\COM12"}, {"Windows port 0 names nothing", "0 windows", ""},
                   {"macOS has no built-in names", "1 other", ""}}, [](const QString &in) {
            const QString naming = in.section(' ', 1);
            return builtInPortName(in.section(' ', 0, 0).toInt(), naming == "linux" ? PortNaming::Linux
                                   : naming == "windows" ? PortNaming::Windows : PortNaming::OtherUnix);
        });
    }

    // In: the port number, then folder entries "name>target" (a link) or "name" (a plain file), in the user's
    // folder $/user when they start with ~; $ is the program folder, which holds dev/ttyUSB0 and dev/ttyUSB1.
    void portDevices()
    {
        if (hostPortNaming() != PortNaming::Linux)
            QSKIP("The fallback names in this table are the Linux ones");
        checkRows({{"COM link present", "3 COM3>$/dev/ttyUSB0", "$/dev/ttyUSB0"}, {"COM link absent", "3", "/dev/ttyS2"},
            {"another port's link is not used", "4 COM3>$/dev/ttyUSB0 ~COM3>$/dev/ttyUSB0", "/dev/ttyS3"},
            {"port 0 even with a COM0 link", "0 COM0>$/dev/ttyUSB0", ""},
            {"COM1 is not COM12", "1 COM12>$/dev/ttyUSB0 ~COM12>$/dev/ttyUSB0", "/dev/ttyS0"},
            {"two-digit port", "12 COM12>$/dev/ttyUSB0", "$/dev/ttyUSB0"},
            {"chain of links", "5 COM5>$/a a>b b>$/dev/ttyUSB0", "$/dev/ttyUSB0"},
            {"relative link", "6 COM6>dev/ttyUSB0", "$/dev/ttyUSB0"},
            {"link through a linked folder", "7 d>dev COM7>d/ttyUSB0", "$/dev/ttyUSB0"},
            {"the user's link", "3 ~COM3>$/dev/ttyUSB1", "$/dev/ttyUSB1 (user's)"},
            {"the administrator's link wins over the user's", "3 COM3>$/dev/ttyUSB0 ~COM3>$/dev/ttyUSB1", "$/dev/ttyUSB0"},
            {"dangling link is kept, not replaced by the user's", "8 COM8>$/dev/gone ~COM8>$/dev/ttyUSB1", "$/COM8"},
            {"plain entry is the device itself", "9 COM9", "$/COM9"},
            {"names are case-sensitive", "3 com3>$/dev/ttyUSB0", "/dev/ttyS2"}}, [](const QString &in) {
            QTemporaryDir temporary;
            const QString dir = QDir(temporary.path()).canonicalPath(), user = dir + "/user";
            if (!QDir(dir).mkpath("dev") || !QDir(dir).mkpath("user") || !writeFile(dir + "/dev/ttyUSB0", {})
                || !writeFile(dir + "/dev/ttyUSB1", {}))
                return QStringLiteral("cannot make the folders");
            for (QString entry : in.split(' ').mid(1)) {
                entry.replace('$', dir).replace('~', "user/");
                if (!entry.contains('>'))
                    writeFile(dir + '/' + entry, {});
                else if (!QFile::link(entry.section('>', 1), dir + '/' + entry.section('>', 0, 0)))
                    return QStringLiteral("cannot link ") + entry;
            }
            const int number = in.section(' ', 0, 0).toInt();
            const bool users = lookUpPort(number, dir, user).source == PortSource::UserFolder;
            return portDevicePath(number, dir, user).replace(dir, "$") + (users ? " (user's)" : "");
        });
    }

    // Out: rate, parity, data bits and stop bits, or "bad".
    void lineSettings()
    {
        checkRows({{"the module's line", "9600,n,8,1", "9600 n 8 1"}, {"upper-case parity", "9600,N,8,1", "9600 n 8 1"},
                   {"blanks around fields", "  19200 , e ,7,\t2 ", "19200 e 7 2"},
                   {"odd, five bits, one and a half", "110,O,5,1.5", "110 o 5 1.5"}, {"mark parity", "300,m,6,1", "300 m 6 1"},
                   {"space parity", "115200,S,8,2", "115200 s 8 2"}, {"rate outside the usual list", "12345,n,8,1", "12345 n 8 1"},
                   {"empty", "", "bad"}, {"only blanks", "   ", "bad"}, {"three fields", "9600,n,8", "bad"},
                   {"five fields", "9600,n,8,1,0", "bad"}, {"trailing comma", "9600,n,8,1,", "bad"},
                   {"semicolons", "9600;n;8;1", "bad"}, {"empty baud rate", ",n,8,1", "bad"}, {"baud rate zero", "0,n,8,1", "bad"},
                   {"negative baud rate", "-9600,n,8,1", "bad"}, {"signed baud rate", "+9600,n,8,1", "bad"},
                   {"hexadecimal baud rate", "0x2580,n,8,1", "bad"}, {"blank inside baud rate", "96 00,n,8,1", "bad"},
                   {"baud rate beyond 32 bits", "99999999999,n,8,1", "bad"}, {"empty parity", "9600,,8,1", "bad"},
                   {"unknown parity", "9600,x,8,1", "bad"}, {"parity spelt out", "9600,none,8,1", "bad"},
                   {"four data bits", "9600,n,4,1", "bad"}, {"nine data bits", "9600,n,9,1", "bad"},
                   {"three stop bits", "9600,n,8,3", "bad"}, {"zero stop bits", "9600,n,8,0", "bad"},
                   {"stop bits 1.0", "9600,n,8,1.0", "bad"}},
                  [](const QString &in) {
            const std::optional<LineSettings> settings = LineSettings::parse(in);
            // Letters and texts indexed by QSerialPort's parity and stop-bit values.
            const QString parity = "n?eosm";
            const QStringList stop{"?", "1", "2", "1.5"};
            return !settings ? QStringLiteral("bad")
                             : QStringLiteral("%1 %2 %3 %4").arg(settings->baudRate).arg(parity[settings->parity])
                                   .arg(settings->dataBits).arg(stop.value(settings->stopBits));
        });
    }

    // In: the steps, "; " between them, then after " | " the run: i the interval (100), x the passes (0 a
    // loop), s how long each send takes, late how late each wake-up comes, stop when a stop comes, all in ms.
    // play takes the text of an animation and show a grid, "/" a line end, a capital alone on a line a grid
    // with a dot in its column (A the first) and an empty line. Out: what is sent, "@" when, then the end.
    void playSchedule()
    {
        checkRows({{"frames at the interval; the run ends when the last one's time is up", "play A/B/C", "A@0 B@100 C@200 end@300"},
                   {"a wait line holds the frame above it, the others the interval", "play A/B/wait 300/C | i50",
                    "A@0 B@50 C@350 end@400"},
                   {"no drift: slow sends and late wake-ups do not add up", "play A/B/C/D | s30 late5",
                    "A@0 B@105 C@205 D@305 end@405"},
                   {"a late line skips frames, never the last; commands go out however late", "play A/B/C/D/E; show F | s250",
                    "A@0 C@250 E@500 F@750 end@1000"},
                   {"waits before, between and after frames; the last wait is kept",
                    "wait 200; play A/B; wait 300; show C; wait 100", "A@200 B@300 C@700 end@800"},
                   {"repeats: a file's waits each pass, from the start, the last one kept", "show A; wait 100 | x3 s30",
                    "A@0 A@100 A@200 end@300"},
                   {"a pass without frames or waits is paced by the interval, none after the last", "show A | x3 i250 s10",
                    "A@0 A@250 A@500 end@510"},
                   {"a loop runs until stopped; a stop between frames ends it at once", "play A/B | x0 stop250",
                    "A@0 B@100 A@200 end@250"},
                   {"a pause of over a pass resumes at the frame due now, not with the last of each pass missed",
                    "play A/B/C | x0 i50 pause530 stop700", "A@0 C@580 A@600 B@650 end@700"},
                   {"an empty file, even looped, ends at once", " | x0", "end@0"}},
                  [](const QString &in) {
            QList<CommandPlan::Step> steps;
            for (const QString &step : in.section(" | ", 0, 0).split("; ", Qt::SkipEmptyParts)) {
                const QString kind = step.section(' ', 0, 0), text = step.section(' ', 1);
                QStringList lines = text.split('/');
                for (QString &line : lines)
                    line = line.size() == 1 ? QString(line.front().unicode() - 'A', '.') + '#' + QString("\n.").repeated(7) + '\n' : line;
                QString error;
                const auto frames = kind == "wait" ? QList<AnimationFrame>{{}} : animationFrames(lines.join('\n'), error);
                if (!frames)
                    return error;
                ModuleCommand command = ModuleCommand::showing(0, frames->front().pattern);
                command.kind = kind == "wait" ? ModuleCommand::Kind::Wait : kind == "play" ? ModuleCommand::Kind::Play : command.kind;
                command.waitMs = text.toInt();
                command.frames = kind == "play" ? *frames : QList<AnimationFrame>();
                steps << CommandPlan::Step{QString(), command};
            }
            QMap<QString, int> run{{"i", 100}, {"x", 1}, {"stop", -1}};
            for (const QString &option : in.section(" | ", 1).split(' ', Qt::SkipEmptyParts))
                run[option.section(QRegularExpression("\\d"), 0, 0)] = option.section(QRegularExpression("\\D+"), 1).toInt();
            PlayPlanner planner(steps, run["x"], run["i"]);
            QStringList said;
            for (qint64 now = 0; said.size() < 20;) {
                if (run["stop"] >= 0 && now >= run["stop"])
                    planner.stop();
                const PlayPlanner::Action action = planner.next(now);
                const bool sent = action.kind == PlayPlanner::Action::Kind::Send;
                if (action.kind == PlayPlanner::Action::Kind::End)
                    return (said << QStringLiteral("end@%1").arg(now)).join(' ');
                const auto &dots = action.command.pattern;
                if (sent)
                    said << QStringLiteral("%1@%2").arg(QChar(char16_t('A' + (std::find_if(dots.begin(), dots.end(), [](quint8 dot) { return dot; }) - dots.begin())))).arg(now);
                // A pause (the program stopped) makes the first wake-up that late.
                const qint64 until = now + (sent ? run["s"] : action.waitMs + run["late"] + std::exchange(run["pause"], 0));
                // A stop that comes while the program sleeps is seen at once.
                now = !sent && run["stop"] > now && run["stop"] < until ? run["stop"] : until;
            }
            return said.join(' ') + " ...";
        });
    }

    // In: a GIF of tests/data (make-pictures.py), "-N" without its last N
    // bytes. Out: each frame's pattern and time (0: the interval), and how
    // often it plays (0 forever); or "refused: " and the reason. The GIFs of
    // real encoders must show what ImageMagick shows of them.
    void gifFrames()
    {
        const auto seen = [](const char *name) { return gifCorpusEntry(VEXEL_TEST_DATA, name); };
        checkRows({{"ImageMagick, one colour: runs of table codes", "im-white.gif", seen("im-white.gif")},
                   {"ImageMagick, a diagonal", "im-diagonal.gif", seen("im-diagonal.gif")},
                   {"ImageMagick, antialiased and interlaced", "im-interlaced.gif", seen("im-interlaced.gif")},
                   {"Pillow, grey under half unlit", "pil-heart.gif", seen("pil-heart.gif")},
                   {"Pillow, disposed to the background; 10, 2 and 1 hundredths; forever", "pil-background.gif",
                    seen("pil-background.gif")},
                   {"ImageMagick, disposed to the background", "im-background.gif", seen("im-background.gif")},
                   {"ImageMagick, restored to the frame before; looped once more", "im-previous.gif", seen("im-previous.gif")},
                   {"gifsicle's optimised frames", "gifsicle-optimised.gif", seen("gifsicle-optimised.gif")},
                   {"gifsicle, white the transparent colour", "gifsicle-transparent.gif", seen("gifsicle-transparent.gif")},
                   {"indices past the colour table", "beyond-table.gif", "00 00 00 00 00 00 00 00 @0; 1"},
                   {"cut inside its third frame", "im-previous.gif -10", "refused: the file ends before the picture does, in frame 3"},
                   {"without its trailer", "im-previous.gif -1", "refused: the file ends before the picture does, after frame 3"},
                   {"a frame claiming 65535 x 65535 pixels", "huge-frame.gif", "refused: frame 1 (65535 x 65535 *"},
                   {"a frame one row past the bottom", "past-bottom.gif", "refused: frame 1 (8 x 8 pixels at 0, 1) reaches past *"},
                   {"a screen of 16000 x 16000 pixels", "screen", "refused: it has 16000 x 16000 pixels, *"}},
                  [](const QString &in) {
            const QStringList words = in.split(' ');
            const QByteArray content = words[0] == "screen" ? QByteArray("GIF89a\x80\x3E\x80\x3E\0\0\0;", 14)
                                                            : dataFile(words[0]).chopped(words.value(1).mid(1).toInt());
            QString error;
            const auto animation = PicturePattern::frames(content, "gif", "x.gif", false, error);
            if (!animation)
                return "refused: " + error.section(": ", 1);
            QStringList frames;
            for (const AnimationFrame &frame : animation->frames)
                frames << hex(QByteArray(reinterpret_cast<const char *>(frame.pattern.data()), 8)) + " @" + QString::number(frame.holdMs);
            return frames.join(", ") + "; " + QString::number(animation->passes);
        });
    }

    // Which format @FILE holds, by content, else by name; empty for text.
    void pictureFormats()
    {
        checkRows({{"WebP by its content", "RIFF1234WEBPVP8 |x.txt", "webp"},
                   {"PNG content under another name", "%89PNG%0D%0A%1A%0A|x.gif", "png"},
                   {"TGA by its name alone", "%00%00%02%00%00%00%00%00|x.TGA", "tga"},
                   {"TGA content is no cursor", "%00%00%02%00%00%00%00%00%00%00%00%00%08%00%08%00%18%00%00%00%00%00|-", ""}},
                  [](const QString &in) {
            const QByteArray content = QByteArray::fromPercentEncoding(in.section('|', 0, 0).toLatin1());
            return QString::fromLatin1(PictureFormat::of(content, in.section('|', 1)));
        });
    }

    // In: what the file holds. Out: the size loaded, or "refused: " and what
    // the reason given after "Cannot load picture PATH: " says ("*" anything);
    // a refused picture never comes with a pixmap.
    void pictures()
    {
        checkRows({{"good BMP", "bmp 18 19", "18 x 19"}, {"JPEG content named .BMP", "jpeg 18 19", "18 x 19"},
                   {"largest allowed size", "bmp 1024 1024", "1024 x 1024"}, {"missing", "missing", "refused: *File not found*"},
                   {"empty", "empty", "refused: *"}, {"cut in its header", "cut", "refused: *"}, {"text", "text", "refused: *"},
                   {"one pixel too wide", "bmp 1025 1", "refused: *1025 x 1*"},
                   {"BMP header claiming 60000 x 60000", "bmp claims 60000 60000", "refused: *"},
                   {"BMP header claiming 60000 rows stored top-down", "bmp claims 2 -60000", "refused: *2 x 60000*"},
                   {"JPEG header claiming 60000 x 60000", "jpeg claims 60000 60000", "refused: *60000 x 60000*"},
                   {"run-length BMP without its end", "rle", "refused: *ends before*"}},
                  [this](const QString &in) {
            const QStringList words = in.split(' ');
            const char *format = words[0] == "jpeg" ? "JPEG" : "BMP";
            const QByteArray content = words[0] == "text" ? QByteArray("[Settings]\nCommPort=1\n")
                : words[0] == "rle"                       ? dataFile("rle.bmp").chopped(2)
                : words[0] == "cut"                       ? picture("BMP", 18, 19).left(20)
                : words.size() == 3                       ? picture(format, words[1].toInt(), words[2].toInt())
                : words.size() == 4                       ? picture(format, words[2].toInt(), words[3].toInt(), true)
                                                          : QByteArray();
            const QString path = m_dir.filePath(QStringLiteral("picture.BMP"));
            QFile::remove(path);
            if (words[0] != "missing" && !writeFile(path, content))
                return QStringLiteral("cannot write");
            const qint64 atRest = ProcessFigures::residentBytes(); // refused before any pixel memory is taken
            const PictureLoader::Result result = ProcessFigures::resetPeakResident() ? PictureLoader::load(path) : PictureLoader::Result();
            if (ProcessFigures::peakResidentBytes() - atRest > 16 << 20)
                return QStringLiteral("took %1 KiB").arg((ProcessFigures::peakResidentBytes() - atRest) / 1024);
            if (result.ok())
                return QStringLiteral("%1 x %2").arg(result.pixmap.width()).arg(result.pixmap.height());
            const QString prefix = QStringLiteral("Cannot load picture %1: ").arg(path);
            const QString reason = result.error.mid(prefix.size());
            if (!result.pixmap.isNull() || !result.error.startsWith(prefix) || reason.isEmpty())
                return "pixmap or message wrong: " + result.error;
            return "refused: " + reason;
        });
    }
};

QTEST_MAIN(UnitsTest)
#include "tst_units.moc"

#include "IniReader.h"

#include "SettingsLocation.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

// The value buffer of the Windows call holds 255 characters, the last a NUL.
constexpr qsizetype MaxValueLength = 254;
// Longer lines are kept only up to here; the rest of such a line is skipped.
constexpr qint64 MaxLineLength = 64 * 1024;
constexpr int LastPortIndex = 19;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QStringView fileName, const QString &wanted)
{
    return fileName.compare(wanted, Qt::CaseInsensitive) == 0;
}

QStringView unquoted(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// The file's lines, without their line ends and cut at a NUL the way the C
// string handling of the Windows call sees them. A file that starts with a
// UTF-16 byte-order mark, as Windows' own profile functions, Notepad's
// "Unicode" and "Unicode big endian" and PowerShell write it, is read in
// UTF-16 of that order; any other byte by byte, each byte the character of
// that code.
class LineReader
{
public:
    explicit LineReader(QFile &file) : m_file(file)
    {
        const QByteArray mark = file.peek(3);
        if (mark.startsWith("\xFF\xFE") || mark.startsWith("\xFE\xFF")) {
            m_bigEndian = mark.startsWith('\xFE');
            m_wide = file.skip(2) == 2;
        } else if (mark == "\xEF\xBB\xBF") {
            file.skip(3);
        }
    }

    // False at the end.
    bool next(QString &line)
    {
        return m_wide ? nextWide(line) : nextNarrow(line);
    }

private:
    bool nextNarrow(QString &line)
    {
        const qint64 length = m_file.readLine(m_buffer.data(), m_buffer.size());
        if (length <= 0)
            return false;
        QByteArrayView text(m_buffer.constData(), length);
        if (text.endsWith('\n')) {
            text.chop(1);
        } else {
            char rest[4096];
            qint64 skipped = 0;
            do
                skipped = m_file.readLine(rest, sizeof rest);
            while (skipped > 0 && rest[skipped - 1] != '\n');
        }
        const qsizetype nul = text.indexOf('\0');
        line = QString::fromLatin1(nul < 0 ? text : text.first(nul));
        return true;
    }

    bool nextWide(QString &line)
    {
        line.clear();
        bool any = false;
        bool cut = false;
        char unit[2];
        while (m_file.read(unit, 2) == 2) {
            any = true;
            const auto character = m_bigEndian ? char16_t(quint8(unit[0]) << 8 | quint8(unit[1]))
                                               : char16_t(quint8(unit[0]) | quint8(unit[1]) << 8);
            if (character == u'\n')
                break;
            cut = cut || character == u'\0' || line.size() == MaxLineLength;
            if (!cut)
                line += QChar(character);
        }
        return any;
    }

    QFile &m_file;
    QByteArray m_buffer = QByteArray(MaxLineLength + 1, '\0');
    bool m_wide = false;
    bool m_bigEndian = false;
};

bool isDecimalNumber(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= u'0' && text[i] <= u'9')
            ++digits;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

double roundHalfToEven(double value)
{
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return whole;
}

} // namespace

QString readIniValue(const QString &filePath, const QString &section, const QString &key)
{
    // A pipe or a device would block or never end; only plain files are read.
    if (!QFileInfo(filePath).isFile())
        return {};
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString wantedSection = section.trimmed();
    const QString wantedKey = key.trimmed();
    LineReader lines(file);
    QString text;
    bool inSection = false;
    while (lines.next(text)) {
        const QStringView line = trimmedBlanks(text);
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0)
                continue;
            if (inSection)
                return {};
            inSection = sameName(trimmedBlanks(line.sliced(1, close - 1)), wantedSection);
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0 || !sameName(trimmedBlanks(line.first(equals)), wantedKey))
            continue;
        const QStringView value = unquoted(trimmedBlanks(line.sliced(equals + 1)));
        return value.first(qMin(value.size(), MaxValueLength)).toString();
    }
    return {};
}

QString programFolderPath(const QString &folder)
{
    QString path = QDir::toNativeSeparators(folder);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

QString AppPath()
{
    return programFolderPath(QCoreApplication::applicationDirPath());
}

QString programFolderProblem()
{
    const QString folder = QCoreApplication::applicationDirPath();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return {};
    // Where the system has it, the link to the executable still names the
    // folder, with each byte that is no UTF-8 shown as a stand-in.
    const QString named = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QStringLiteral("cannot find this program's folder%1: its name is not UTF-8, as a zip made on Windows "
                          "leaves it; give it a UTF-8 name (convmv -f cp1252 -t utf8 --notest FOLDER does)")
        .arg(named.isEmpty() ? QString() : QStringLiteral(" %1").arg(QFileInfo(named).path()));
}

QString ReadINI(const QString &programFolder, const QString &section, const QString &key)
{
    return settingsValue(programFolder, section, key).value;
}

QString ReadINI(const QString &section, const QString &key)
{
    return ReadINI(AppPath(), section, key);
}

StartupPort startupPort(const QString &commPortText)
{
    const QString defaultPort = QStringLiteral(", so the serial control's default");
    if (commPortText.trimmed().isEmpty())
        return {0, QStringLiteral("CommPort is missing or empty") + defaultPort};
    // Windows keeps a comment after ";" in the value, and its users name
    // ports as Windows does: COM3, COM3: as the mode command writes it, and
    // \\.\COM12 as the device.
    QString number = commPortText.section(u';', 0, 0).trimmed();
    if (number.startsWith(QLatin1String("\\\\.\\")))
        number = number.mid(4);
    if (number.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        number = number.mid(3).trimmed();
        if (number.endsWith(u':'))
            number.chop(1);
    }
    const QString given = QStringLiteral("CommPort \"%1\"").arg(commPortText);
    if (!isDecimalNumber(number))
        return {0, given + QStringLiteral(" is no port number") + defaultPort};
    const double index = roundHalfToEven(number.toDouble() - 1.0);
    if (index < -1.0 || index > LastPortIndex)
        return {0, given + QStringLiteral(" lies outside 1 .. %1").arg(LastPortIndex + 1) + defaultPort};
    return {int(index), number == commPortText.trimmed() ? given : given + QStringLiteral(", read as ") + number};
}

int startupPortIndex(const QString &commPortText)
{
    return startupPort(commPortText).index;
}

int startupPortNumber()
{
    return qMax(1, startupPortIndex(ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort"))) + 1);
}

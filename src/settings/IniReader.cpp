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

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QByteArrayView fileName, const QString &wanted)
{
    return QString::fromLatin1(fileName).compare(wanted, Qt::CaseInsensitive) == 0;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Reads the next line into buffer, without its line end and cut at a NUL byte
// the way the C string handling of the Windows call sees it. False at the end.
bool readLine(QFile &file, QByteArray &buffer, QByteArrayView &line)
{
    const qint64 length = file.readLine(buffer.data(), buffer.size());
    if (length <= 0)
        return false;
    QByteArrayView text(buffer.constData(), length);
    if (text.endsWith('\n')) {
        text.chop(1);
    } else {
        char rest[4096];
        qint64 skipped = 0;
        do
            skipped = file.readLine(rest, sizeof rest);
        while (skipped > 0 && rest[skipped - 1] != '\n');
    }
    const qsizetype nul = text.indexOf('\0');
    line = nul < 0 ? text : text.first(nul);
    return true;
}

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
    QByteArray buffer(MaxLineLength + 1, '\0');
    QByteArrayView line;
    bool firstLine = true;
    bool inSection = false;
    while (readLine(file, buffer, line)) {
        if (firstLine && line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        firstLine = false;

        line = trimmedBlanks(line);
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const qsizetype close = line.lastIndexOf(']');
            if (close < 0)
                continue;
            if (inSection)
                return {};
            inSection = sameName(trimmedBlanks(line.sliced(1, close - 1)), wantedSection);
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || !sameName(trimmedBlanks(line.first(equals)), wantedKey))
            continue;
        const QByteArrayView value = unquoted(trimmedBlanks(line.sliced(equals + 1)));
        return QString::fromLatin1(value.first(qMin(value.size(), MaxValueLength)));
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

QString ReadINI(const QString &programFolder, const QString &section, const QString &key)
{
    return readIniValue(settingsFilePath(programFolder), section, key);
}

QString ReadINI(const QString &section, const QString &key)
{
    return ReadINI(AppPath(), section, key);
}

int startupPortIndex(const QString &commPortText)
{
    const QString text = commPortText.trimmed();
    if (!isDecimalNumber(text))
        return 0;
    const double index = roundHalfToEven(text.toDouble() - 1.0);
    if (index < -1.0 || index > LastPortIndex)
        return 0;
    return int(index);
}

// libFuzzer target for the settings-file lookup: the input is the whole file.
// Besides what the sanitizers catch, every answer must be a piece of the
// file's text itself, as no lookup invents, reorders or reads past
// characters, and must fit the value buffer.

#include "IniReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

// The file's characters as the lookup reads them: UTF-16LE after its mark,
// else one a byte.
QString characters(const QByteArray &file)
{
    if (file.startsWith("\xFF\xFE"))
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(file.constData() + 2), (file.size() - 2) / 2);
    return QString::fromLatin1(file);
}

void check(const QString &value, const QString &file)
{
    if (value.size() > 254 || value.contains(u'\n') || value.contains(QChar(0)) || !file.contains(value))
        std::abort();
    const int index = startupPortIndex(value);
    if (index < -1 || index > 19)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One folder for the whole run, removed when the fuzzer ends.
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("vexel.ini"));
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
        std::abort();
    out.close();

    const QString text = characters(file);
    check(readIniValue(path, QStringLiteral("Settings"), QStringLiteral("CommPort")), text);
    check(readIniValue(path, QStringLiteral(" settings "), QStringLiteral("COMMPORT")), text);
    check(readIniValue(path, QStringLiteral("Settings"), QStringLiteral("Missing")), text);
    check(readIniValue(path, QString(), QString()), text);
    return 0;
}

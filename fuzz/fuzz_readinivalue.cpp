// libFuzzer target for the settings-file lookup: the input is the whole file.
// Besides what the sanitizers catch, every answer must be a piece of the
// file itself, as no lookup invents, reorders or reads past bytes, and must
// fit the value buffer.

#include "IniReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString &value, const QByteArray &file)
{
    const QByteArray bytes = value.toLatin1();
    if (bytes.size() > 254 || bytes.contains('\n') || bytes.contains('\0') || !file.contains(bytes))
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

    check(readIniValue(path, QStringLiteral("Settings"), QStringLiteral("CommPort")), file);
    check(readIniValue(path, QStringLiteral(" settings "), QStringLiteral("COMMPORT")), file);
    check(readIniValue(path, QStringLiteral("Settings"), QStringLiteral("Missing")), file);
    check(readIniValue(path, QString(), QString()), file);
    return 0;
}

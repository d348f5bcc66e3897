#include "ProcessFigures.h"

#include "Clocks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VEXEL_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXEL_ADDRESS_SANITIZER
#endif
#endif

#ifdef VEXEL_ADDRESS_SANITIZER
// From the sanitizer runtime; GCC ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

QByteArray procFile(const char *name)
{
    QFile file(QStringLiteral("/proc/self/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

namespace ProcessFigures {

qint64 cpuMilliseconds()
{
    return Clocks::processCpuNs() / 1000000;
}

qint64 heldBytes()
{
#ifdef VEXEL_ADDRESS_SANITIZER
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return residentBytes();
#endif
}

qint64 residentBytes()
{
    const QList<QByteArray> fields = procFile("statm").split(' ');
    return fields.size() < 2 ? -1 : fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 peakResidentBytes()
{
    for (const QByteArray &line : procFile("status").split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

bool resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

int openFileCount()
{
    // The listing holds one descriptor of its own, the same one every time.
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

QStringList lockFilesOf(const QString &devicePath)
{
    // The serial port layer names the lock after the device below /dev and
    // puts it into the first writable of these folders.
    const QString name = "LCK.." + devicePath.mid(devicePath.startsWith("/dev/") ? 5 : 0).replace('/', '_');
    QStringList found;
    for (const QString &folder : QStringList{"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp",
                                             "/var/tmp", "/var/lock/lockdev", "/run/lock", QDir::tempPath()}) {
        const QFileInfo lock(QDir(folder).filePath(name));
        if (lock.exists() && !found.contains(lock.canonicalFilePath()))
            found << lock.canonicalFilePath();
    }
    return found;
}

} // namespace ProcessFigures

#include "ProcessFigures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <ctime>
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

namespace ProcessFigures {

qint64 cpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
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
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
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
    QString device = devicePath;
    if (device.startsWith(QLatin1String("/dev/")))
        device.remove(0, 5);
    const QString name = QStringLiteral("LCK..") + device.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                                 QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
                                 QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
                                 QDir::tempPath()};
    QSet<QString> found;
    for (const QString &folder : folders) {
        const QFileInfo lock(QDir(folder).filePath(name));
        if (lock.exists())
            found.insert(lock.canonicalFilePath());
    }
    return QStringList(found.begin(), found.end());
}

} // namespace ProcessFigures

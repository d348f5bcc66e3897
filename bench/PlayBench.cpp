#include "PlayBench.h"

#include "Clocks.h"
#include "PtyPair.h"
#include "RunningModule.h"
#include "Samples.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr int FrameBytes = 10;
const QByteArray Lit = "########\n########\n########\n########\n########\n########\n########\n########\n";
const QByteArray Unlit = "........\n........\n........\n........\n........\n........\n........\n........\n";

// Processor time of a process, user and system, all threads, in ms; the
// kernel counts it in clock ticks.
double cpuMsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble(); // utime, stime
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

} // namespace

std::optional<PlayBench::Played> PlayBench::play(int frames, int intervalMs)
{
    QTemporaryDir dir;
    QByteArray animation;
    for (int i = 0; i < frames; ++i)
        animation += (i % 2 ? Unlit : Lit) + '\n';
    if (!writeFile(dir.filePath(QStringLiteral("frames.txt")), animation)) {
        m_error = QStringLiteral("cannot write the animation in %1").arg(dir.path());
        return std::nullopt;
    }
    PtyPair line;
    QProcess send;
    send.start(m_sendPath, {QStringLiteral("--device"), line.slavePath(), QStringLiteral("--quiet"), QStringLiteral("play"),
                            QStringLiteral("0"), '@' + dir.filePath(QStringLiteral("frames.txt")), QStringLiteral("--interval"),
                            QString::number(intervalMs)});
    Played played;
    qint64 firstNs = 0;
    double firstCpuMs = 0;
    qint64 bytes = 0;
    // Read here, blocking, rather than in an event loop, so that the moment
    // is taken as soon as the bytes are there.
    pollfd readable{line.masterFd(), POLLIN, 0};
    while (bytes < qint64(frames) * FrameBytes && poll(&readable, 1, 2 * intervalMs + 5000) == 1) {
        char chunk[256];
        const ssize_t n = ::read(line.masterFd(), chunk, sizeof chunk);
        if (n <= 0)
            break;
        const qint64 now = Clocks::monotonicNs();
        const bool frameEnds = (bytes + n) / FrameBytes > bytes / FrameBytes;
        bytes += n;
        if (!frameEnds)
            continue;
        if (played.latenessMs.empty()) {
            firstNs = now;
            firstCpuMs = cpuMsOf(send.processId());
        }
        const qint64 dueNs = firstNs + qint64(played.latenessMs.size()) * intervalMs * 1000000;
        played.latenessMs.push_back(Clocks::toMs(now - dueNs));
    }
    const double seconds = Clocks::toMs(Clocks::monotonicNs() - firstNs) / 1000.0;
    played.cpuMsPerSecond = (cpuMsOf(send.processId()) - firstCpuMs) / seconds;
    send.waitForFinished(2 * intervalMs + 5000);
    if (int(played.latenessMs.size()) != frames || send.exitCode() != 0) {
        m_error = QStringLiteral("vexel-send sent %1 of %2 frames and ended with %3: %4")
                      .arg(bytes / FrameBytes).arg(frames).arg(send.exitCode()).arg(QString::fromLocal8Bit(send.readAllStandardError()));
        return std::nullopt;
    }
    return played;
}

std::vector<ResultTable::Row> PlayBench::drift(int frames, int intervalMs)
{
    const std::optional<Played> played = play(frames, intervalMs);
    if (!played)
        return {};
    const double drift = played->latenessMs.back();
    return {{QStringLiteral("play, %1 frames at %2 ms: the last one's lateness (drift)").arg(frames).arg(intervalMs), 1,
             QStringLiteral("within ± 5 ms"), ResultTable::ms(drift), {}, {}, {}, qAbs(drift) <= 5.0}};
}

std::vector<ResultTable::Row> PlayBench::jitter(int frames, int intervalMs)
{
    const std::optional<Played> played = play(frames, intervalMs);
    if (!played)
        return {};
    Samples lateness;
    for (const double ms : played->latenessMs)
        lateness.add(qAbs(ms));
    return {
        {QStringLiteral("play, %1 frames at %2 ms: a frame's lateness (jitter)").arg(frames).arg(intervalMs), lateness.count(),
         QStringLiteral("p99 < 5 ms"), ResultTable::ms(lateness.median(), 3), ResultTable::ms(lateness.percentile(0.99), 3), {}, {},
         lateness.percentile(0.99) < 5.0},
        {QStringLiteral("play, %1 frames at %2 ms: vexel-send's processor time a second").arg(frames).arg(intervalMs), 1,
         QStringLiteral("< 10 ms (1 % of a core)"), ResultTable::ms(played->cpuMsPerSecond), {}, {}, {},
         played->cpuMsPerSecond < 10.0},
    };
}

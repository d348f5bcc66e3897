#include "SendBench.h"

#include "Clocks.h"
#include "PtyPair.h"
#include "Samples.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int ReadIntervalMs = 10;
constexpr int FrameBytes = 31; // FD and the 30 characters
// The far end gives up this long after the last byte it could have read.
constexpr int QuietLimitMs = 10000;

qint64 childrenCpuNs()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// Started as a shell starts a command (posix_spawn, no copy of the bench's
// own memory), so that the bench's size adds nothing to either side.
int spawnAndWait(const QStringList &words)
{
    std::vector<QByteArray> encoded;
    for (const QString &word : words)
        encoded.push_back(word.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : encoded)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv.front(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::vector<ResultTable::Row> SendBench::slowLine(int commands, int bytesPerSecond)
{
    const QByteArray command = "scroll ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\n";
    const qint64 total = qint64(commands) * FrameBytes;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("commands.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(command.repeated(commands)) != command.size() * commands) {
        m_error = QStringLiteral("cannot write the command file");
        return {};
    }
    file.close();

    PtyPair line;
    QProcess send;
    const qint64 cpuBefore = childrenCpuNs();
    const qint64 start = Clocks::monotonicNs();
    send.start(m_sendPath, {QStringLiteral("--quiet"), QStringLiteral("--dir"), dir.path(), QStringLiteral("--device"),
                            line.slavePath(), QStringLiteral("--file"), file.fileName()});
    qint64 received = 0;
    qint64 lastByte = start;
    while (received < total && Clocks::toMs(Clocks::monotonicNs() - lastByte) < QuietLimitMs) {
        ::usleep(ReadIntervalMs * 1000);
        const qint64 allowed = qint64(Clocks::toMs(Clocks::monotonicNs() - start) * bytesPerSecond / 1000) - received;
        const qint64 got = allowed > 0 ? line.read(int(allowed), 0).size() : 0;
        received += got;
        if (got > 0)
            lastByte = Clocks::monotonicNs();
    }
    send.waitForFinished(QuietLimitMs);
    const double seconds = Clocks::toMs(lastByte - start) / 1000;
    const double pace = double(received) / seconds;
    const double cpuMs = Clocks::toMs(childrenCpuNs() - cpuBefore);
    if (send.exitStatus() != QProcess::NormalExit || send.exitCode() != 0 || received != total) {
        m_error = QStringLiteral("vexel-send ended with status %1 after %2 of %3 bytes: %4")
                      .arg(send.exitCode()).arg(received).arg(total)
                      .arg(QString::fromLocal8Bit(send.readAllStandardError()).trimmed());
        return {};
    }
    const QString measure = QStringLiteral("vexel-send, %1 scroll commands (%2 bytes) to a far end taking %3 bytes/s")
                                .arg(commands).arg(total).arg(bytesPerSecond);
    return {{measure + QStringLiteral(": pace"), 1, QStringLiteral("≥ 95 % of the line's"),
             QStringLiteral("%1 bytes/s").arg(qRound(pace)), {}, {}, ResultTable::ratio(pace / bytesPerSecond),
             pace >= 0.95 * bytesPerSecond},
            {measure + QStringLiteral(": its processor time"), 1,
             QStringLiteral("< 5 % of the run's %1 s").arg(seconds, 0, 'f', 1), ResultTable::ms(cpuMs, 1), {}, {}, {},
             cpuMs < 0.05 * seconds * 1000}};
}

std::vector<ResultTable::Row> SendBench::oneCommand(int runs)
{
    QTemporaryDir dir;
    PtyPair line;
    const QByteArray frame = "\xFA\x31"; // speed 1
    const QStringList send{m_sendPath, QStringLiteral("--dir"), dir.path(), QStringLiteral("--device"), line.slavePath(),
                           QStringLiteral("--quiet"), QStringLiteral("speed"), QStringLiteral("1")};
    const QStringList shell{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                            QStringLiteral("stty -F %1 raw 9600 && printf '\\372\\061' > %1").arg(line.slavePath())};
    Samples sendMs;
    Samples shellMs;
    // The first of each warms the caches and is not counted.
    for (int run = 0; run <= runs && m_error.isEmpty(); ++run) {
        for (const bool vexelSend : {true, false}) {
            const QStringList &words = vexelSend ? send : shell;
            const qint64 start = Clocks::monotonicNs();
            const int status = spawnAndWait(words);
            const double ms = Clocks::toMs(Clocks::monotonicNs() - start);
            if (status != 0 || line.read(2, 1000) != frame)
                m_error = QStringLiteral("%1 did not send the frame (status %2)").arg(words.first()).arg(status);
            if (run > 0)
                (vexelSend ? sendMs : shellMs).add(ms);
        }
    }
    if (!m_error.isEmpty())
        return {};
    const double ratio = sendMs.median() / shellMs.median();
    return {{QStringLiteral("vexel-send, one command to a pseudo-terminal: start to exit"), runs,
             QStringLiteral("≤ 2 × sh with stty and printf"), ResultTable::ms(sendMs.median()),
             ResultTable::ms(sendMs.percentile(0.99)),
             QStringLiteral("sh -c 'stty … && printf …': %1").arg(ResultTable::ms(shellMs.median())),
             ResultTable::ratio(ratio), ratio <= 2}};
}

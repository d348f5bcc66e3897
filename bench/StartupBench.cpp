#include "StartupBench.h"

#include "Clocks.h"
#include "Samples.h"

#include <QProcess>

StartupBench::StartupBench(QString executable, QString programFolder)
    : m_executable(std::move(executable)), m_programFolder(std::move(programFolder))
{
}

StartupBench::Start StartupBench::startOnce(const QStringList &mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Taken before the fork: the child's own start counts, as a user's
    // double click would see it.
    const qint64 start = Clocks::monotonicNs();
    child.start(m_executable, mode);
    if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2 did not report its window: %3")
                      .arg(m_executable, mode.join(QLatin1Char(' ')), child.errorString());
        return {};
    }
    const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
    bool timeOk = false;
    bool rssOk = false;
    const qint64 exposedAt = words.value(1).toLongLong(&timeOk);
    const qint64 rssKiB = words.value(2).toLongLong(&rssOk);
    if (words.value(0) != "exposed" || !timeOk || !rssOk || rssKiB <= 0) {
        m_error = QStringLiteral("%1 %2 reported nonsense").arg(m_executable, mode.join(QLatin1Char(' ')));
        return {};
    }
    return {Clocks::toMs(exposedAt - start), double(rssKiB) / 1024.0};
}

std::vector<ResultTable::Row> StartupBench::run(int runs, const QString &platform)
{
    const QStringList modes[] = {{QStringLiteral("--child-app"), m_programFolder},
                                 {QStringLiteral("--child-bare")},
                                 {QStringLiteral("--child-bare-text")}};
    Samples ms[3], mib[3];
    // The first start of each fills the system's caches and is not counted;
    // the rest alternate, so all meet the same state of the machine.
    for (int i = -1; i < runs && ready(); ++i) {
        for (int mode = 0; mode < 3 && ready(); ++mode) {
            const Start start = startOnce(modes[mode]);
            if (i >= 0) {
                ms[mode].add(start.ms);
                mib[mode].add(start.rssMiB);
            }
        }
    }
    if (!ready())
        return {};
    const auto inMiB = [](double value) { return QStringLiteral("%1 MiB").arg(value, 0, 'f', 1); };
    std::vector<ResultTable::Row> rows;
    const struct {
        int mode;
        const char *name;
    } baselines[] = {{1, "bare window"}, {2, "bare window with one line of text"}};
    for (const auto &baseline : baselines) {
        const QString name = QString::fromLatin1(baseline.name);
        const double timeRatio = ms[0].median() / ms[baseline.mode].median();
        const double memoryRatio = mib[0].median() / mib[baseline.mode].median();
        rows.push_back({QStringLiteral("Start-up to the first shown window (%1)").arg(platform), ms[0].count(),
                        QStringLiteral("≤ 1.3 × %1").arg(name), ResultTable::ms(ms[0].median(), 1), {},
                        QStringLiteral("%1: %2").arg(name, ResultTable::ms(ms[baseline.mode].median(), 1)),
                        ResultTable::ratio(timeRatio), timeRatio <= 1.3});
        rows.push_back({QStringLiteral("Resident memory once shown (%1)").arg(platform), mib[0].count(),
                        QStringLiteral("≤ 1.3 × %1").arg(name), inMiB(mib[0].median()), {},
                        QStringLiteral("%1: %2").arg(name, inMiB(mib[baseline.mode].median())),
                        ResultTable::ratio(memoryRatio), memoryRatio <= 1.3});
    }
    return rows;
}

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
    const QStringList app {QStringLiteral("--child-app"), m_programFolder};
    const QStringList bare {QStringLiteral("--child-bare")};
    Samples appMs, appMiB, bareMs, bareMiB;
    // The first start of each fills the system's caches and is not counted;
    // the rest alternate, so both meet the same state of the machine.
    for (int i = -1; i < runs && ready(); ++i) {
        const Start b = startOnce(bare);
        const Start a = startOnce(app);
        if (i < 0 || !ready())
            continue;
        bareMs.add(b.ms);
        bareMiB.add(b.rssMiB);
        appMs.add(a.ms);
        appMiB.add(a.rssMiB);
    }
    if (!ready())
        return {};
    const double timeRatio = appMs.median() / bareMs.median();
    const double memoryRatio = appMiB.median() / bareMiB.median();
    const auto mib = [](double value) { return QStringLiteral("%1 MiB").arg(value, 0, 'f', 1); };
    return {
        {QStringLiteral("Start-up to the first shown window (%1)").arg(platform), appMs.count(),
         QStringLiteral("≤ 1.3 × bare"), ResultTable::ms(appMs.median(), 1), {},
         QStringLiteral("bare window: %1").arg(ResultTable::ms(bareMs.median(), 1)),
         ResultTable::ratio(timeRatio), timeRatio <= 1.3},
        {QStringLiteral("Resident memory once shown (%1)").arg(platform), appMiB.count(),
         QStringLiteral("≤ 1.3 × bare"), mib(appMiB.median()), {},
         QStringLiteral("bare window: %1").arg(mib(bareMiB.median())), ResultTable::ratio(memoryRatio),
         memoryRatio <= 1.3},
    };
}

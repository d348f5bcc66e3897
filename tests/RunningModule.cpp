#include "RunningModule.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <csignal>

RunningModule::~RunningModule()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool RunningModule::start(const QStringList &options)
{
    m_process.start(QStringLiteral(VEXEL_MODULE_PATH),
                    QStringList{"--headless", "--dir", m_dir, "--print-display"} + options);
    return m_process.waitForStarted() && waitFor(QStringLiteral("link "));
}

QStringList RunningModule::startupDisplay() const
{
    QStringList rows = m_seen.filter(QRegularExpression(QStringLiteral("^display ")));
    return rows.replaceInStrings(QRegularExpression(QStringLiteral("^display ")), QString());
}

bool RunningModule::waitFor(const QString &prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
            m_seen << line;
            if (line.startsWith(prefix))
                return true;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

QStringList RunningModule::frameLines() const
{
    return m_seen.filter(QRegularExpression(QStringLiteral("^frame ")));
}

QStringList RunningModule::nextDisplay()
{
    QStringList rows;
    while (rows.size() < 8 && waitFor(QStringLiteral("display ")))
        rows << m_seen.last().mid(8);
    return rows;
}

bool RunningModule::stop(int signal)
{
    ::kill(pid_t(m_process.processId()), signal);
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

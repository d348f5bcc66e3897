#include "RunningModule.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <csignal>

Finished runToEnd(const QString &program, const QStringList &arguments, const QByteArray &input,
                  const QStringList &environment, const std::function<void(QProcess &)> &whileRunning)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString &variable : environment)
        variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    QProcess process;
    process.setProcessEnvironment(variables);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (whileRunning)
        whileRunning(process);
    process.waitForFinished(60000);
    const bool ended = process.state() == QProcess::NotRunning && process.error() != QProcess::FailedToStart
        && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

bool RunningModule::start(const QStringList &options, bool copyInFolder)
{
    const QString copy = m_dir + QStringLiteral("/vexel-module");
    if (copyInFolder && !QFileInfo::exists(copy) && !QFile::copy(QStringLiteral(VEXEL_MODULE_PATH), copy))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir + QStringLiteral("/config"));
    m_process.setProcessEnvironment(environment);
    m_process.start(copyInFolder ? copy : QStringLiteral(VEXEL_MODULE_PATH), QStringList{"--headless", "--print-display"}
                    + (copyInFolder ? QStringList() : QStringList{"--dir", m_dir}) + options);
    return m_process.waitForStarted() && waitFor(options.contains("--device") ? "device " : "link ");
}

bool RunningModule::waitFor(const QString &prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_process.canReadLine()) {
            m_seen << QString::fromUtf8(m_process.readLine()).chopped(1);
            if (m_seen.last().startsWith(prefix))
                return true;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

QStringList RunningModule::seen(const QString &prefix) const
{
    QStringList lines;
    for (const QString &line : m_seen)
        if (line.startsWith(prefix))
            lines << line.mid(prefix.size());
    return lines;
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

#pragma once

#include <QProcess>
#include <QStringList>

// vexel-module started headless in a folder of its own, its output read line
// by line. It links its line as COM1 there and prints the display after
// every frame.
class RunningModule
{
public:
    explicit RunningModule(const QString &dir) : m_dir(dir) {}
    ~RunningModule();

    QString linkPath() const { return m_dir + QStringLiteral("/COM1"); }

    bool start(const QStringList &options = {});

    // The display that a start-up screen brought back, printed before the link.
    QStringList startupDisplay() const;

    // Waits for a line starting with prefix; lines before it are kept in seen().
    bool waitFor(const QString &prefix, int timeoutMs = 5000);

    const QStringList &seen() const { return m_seen; }
    QStringList frameLines() const;
    // The eight rows of the next display printed from here on.
    QStringList nextDisplay();

    bool stop(int signal);

    QProcess &process() { return m_process; }

private:
    QString m_dir;
    QProcess m_process;
    QStringList m_seen;
};

#pragma once

#include "TestFiles.h"

#include <QProcess>
#include <QStringList>

#include <functional>

// How a program the tests ran to its end ended: its exit status (-1 when it
// crashed or did not end within a minute) and what it printed on either channel.
struct Finished
{
    int status = -1;
    QString out;
    QString err;
};

// Runs program offscreen with input on its standard input and environment
// ("NAME=value") added to this one's; whileRunning plays its far end.
Finished runToEnd(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                  const QStringList &environment = {}, const std::function<void(QProcess &)> &whileRunning = {});


// vexel-module started headless in a folder of its own, its output read line
// by line. It links its line as COM1 there, or serves --device, and prints
// the display after every frame; the user's folder is config/vexelapp there.
class RunningModule
{
public:
    explicit RunningModule(const QString &dir) : m_dir(dir) {}
    ~RunningModule() { m_process.kill(); m_process.waitForFinished(); }

    QString linkPath() const { return m_dir + QStringLiteral("/COM1"); }
    // True once the module says which line it serves. A copy placed in the
    // folder is given no --dir: the folder is its own, which it finds itself.
    bool start(const QStringList &options = {}, bool copyInFolder = false);
    // Waits for a line starting with prefix; every line read is kept.
    bool waitFor(const QString &prefix, int timeoutMs = 5000);
    // The lines read so far that start with prefix, without it.
    QStringList seen(const QString &prefix) const;
    // The eight rows of the next display printed from here on.
    QStringList nextDisplay();
    bool stop(int signal);
    QProcess &process() { return m_process; }

private:
    QString m_dir;
    QProcess m_process;
    QStringList m_seen;
};

#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal from the event loop, so
// that a program leaves through its own clean-up and only between two pieces
// of work: the module removes its port link, vexel-send never stops within a
// frame.
//
// On Windows a console control handler does the same: Ctrl-C and Ctrl-Break
// arrive as SIGINT, closing the console window, logging off and shutting down
// as SIGTERM. For those three Windows ends the process once the handler
// returns, so the handler holds on until the program has left by itself (or
// until Windows' own few seconds run out).
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Call before any thread starts, so that every thread inherits the mask
    // and the signals wait for the signalfd.
    static bool block();
    // Gives the signals back their default, for when they cannot be watched.
    static void unblock();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    bool isValid() const { return m_watching; }

    // The status a shell reports for a program the signal ended: 128 + its
    // number, on Windows too (130 for Ctrl-C), so that scripts see the same.
    static int exitStatus(int signal) { return 128 + signal; }

signals:
    void received(int signal);

private:
    void readSignal();

    bool m_watching = false;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

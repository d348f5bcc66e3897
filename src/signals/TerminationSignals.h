#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal from the event loop, so
// that a program leaves through its own clean-up and only between two pieces
// of work: the module removes its port link, vexel-send never stops within a
// frame.
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
    bool isValid() const { return m_fd >= 0; }

    // The status a shell reports for a program the signal ended: 128 + its number.
    static int exitStatus(int signal) { return 128 + signal; }

signals:
    void received(int signal);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

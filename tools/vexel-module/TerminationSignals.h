#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal, so that the program
// leaves through its normal clean-up, which removes the port link.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Call first in main(), before any thread starts, so that every thread
    // inherits the mask and the signals wait for the signalfd.
    static bool block();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    bool isValid() const { return m_fd >= 0; }

signals:
    void received(int signal);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

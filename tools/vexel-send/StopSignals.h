#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal: the handler only notes the signal, and
// received() comes from the event loop, after whatever was being done (a
// frame being sent) is done. One instance per program.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // The exit status a shell gives a program ended by the signal: 128 + its number.
    static int exitStatus(int signal) { return 128 + signal; }

signals:
    void received(int signal);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

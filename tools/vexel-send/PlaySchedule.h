#pragma once

#include "PlayPlanner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Runs a plan on the schedule that PlayPlanner decides, with the clock and
// the event loop around it: between steps the program sleeps in the event
// loop, and it comes back to the event loop after every step, so that a stop
// is seen between two frames.
class PlaySchedule : public QObject
{
    Q_OBJECT
public:
    // Sends one command, the step it comes from given for its origin; returns
    // the exit status, anything but 0 ends the run.
    using Send = std::function<int(const CommandPlan::Step &step, const ModuleCommand &command)>;

    // As for PlayPlanner.
    PlaySchedule(QList<CommandPlan::Step> steps, int passes, int intervalMs, Send send, QObject *parent = nullptr);

    void start();
    // Ends the run with this status, after the step being sent.
    void stop(int status);

signals:
    void finished(int status);

private:
    void next();
    void finish();

    PlayPlanner m_planner;
    Send m_send;
    QElapsedTimer m_clock;
    QTimer m_timer;
    int m_status = -1; // set once the run is to end
    bool m_sending = false;
    bool m_finished = false;
};

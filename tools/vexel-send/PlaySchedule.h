#pragma once

#include "CommandPlan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Runs the steps of a plan on a steady schedule measured from the start: a
// step is due when the waits and frame times before it have run out, counted
// from the first step, so that slow steps do not add up to drift. Between
// steps the program sleeps in the event loop, and it comes back to the event
// loop after every step, so that a stop is seen between two frames.
//
// A frame of "play" whose own time has already run out when its turn comes is
// skipped, so that an animation keeps its pace on a line slower than its
// frames; the last frame of an animation is always sent. Every other command
// is sent, however late.
class PlaySchedule : public QObject
{
    Q_OBJECT
public:
    // Sends one command, the step it comes from given for its origin; returns
    // the exit status, anything but 0 ends the run.
    using Send = std::function<int(const CommandPlan::Step &step, const ModuleCommand &command)>;

    // passes: how often the plan runs, 0 until stopped. interval: the time of
    // a frame that has none of its own.
    PlaySchedule(QList<CommandPlan::Step> steps, int passes, int intervalMs, Send send, QObject *parent = nullptr);

    void start();
    // Ends the run with this status, after the step being sent.
    void stop(int status);

signals:
    void finished(int status);

private:
    void next();
    void waitUntilDue();
    bool done() const;
    void advance();
    void finish();

    QList<CommandPlan::Step> m_steps;
    int m_passes = 1;
    int m_intervalMs = 0;
    Send m_send;
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_pass = 0;
    qsizetype m_step = 0;
    qsizetype m_frame = 0;
    qint64 m_dueMs = 0;
    int m_status = -1; // set once the run is to end
    bool m_sending = false;
    bool m_finished = false;
};

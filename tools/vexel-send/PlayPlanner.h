#pragma once

#include "CommandPlan.h"

// The decisions of a run's schedule, given the moments at which it is asked
// instead of reading a clock: which step goes out, which frame of "play" is
// sent or skipped, how long to wait, and when the run is over.
//
// A step is due when the waits and frame times before it have run out,
// counted from the start, so that slow steps and late wake-ups do not add up
// to drift. A frame whose own time has already run out when its turn comes
// is skipped, so that an animation keeps its pace on a line slower than its
// frames; the last frame of an animation is always sent, and every other
// command too, however late. A run that is over still keeps its last frame or
// wait up for its time, unless it was stopped.
//
// A pass that holds no frame and no wait would otherwise repeat as fast as
// the line takes: the interval paces such passes, from one to the next.
//
// A run that falls behind by more than a pass (the program was stopped, the
// machine asleep) skips the passes it missed whole, and then every frame whose
// time has run out, last ones too, up to the frame due now; it would
// otherwise send the last frame of every missed pass at once. Only the final
// pass of a counted run still ends on its last frame.
class PlayPlanner
{
public:
    struct Action
    {
        enum class Kind { Send, Wait, End };
        Kind kind = Kind::End;
        const CommandPlan::Step *step = nullptr; // Send: the step the command comes from
        ModuleCommand command;                    // Send: a frame of play as the show it is
        qint64 waitMs = 0;                        // Wait: until the next decision is due
    };

    // passes: how often the plan runs, 0 until stopped. interval: the time of
    // a frame that has none of its own, and the pace of passes without time.
    PlayPlanner(QList<CommandPlan::Step> steps, int passes, int intervalMs);

    // What to do at nowMs, counted from the start of the run.
    Action next(qint64 nowMs);
    // Every later next() says End.
    void stop() { m_stopped = true; }

    // Whether the interval times anything in such a run: a frame without a
    // time of its own, or a repeated pass without time.
    static bool takesInterval(const QList<CommandPlan::Step> &steps, int passes);

private:
    static bool hasNoTime(const QList<CommandPlan::Step> &steps);
    qint64 passMs() const;
    void skipMissedPasses(qint64 nowMs);
    bool done() const;
    void advance();

    QList<CommandPlan::Step> m_steps;
    int m_passes = 1;
    int m_intervalMs = 0;
    bool m_passHasNoTime = false;
    qint64 m_passMs = 0;
    bool m_stopped = false;
    bool m_resuming = false; // behind by more than a pass, until the frame due now
    qint64 m_pass = 0;
    qsizetype m_step = 0;
    qsizetype m_frame = 0;
    qint64 m_dueMs = 0;
};

#include "PlaySchedule.h"

#include <algorithm>
#include <limits>

PlaySchedule::PlaySchedule(QList<CommandPlan::Step> steps, int passes, int intervalMs, Send send, QObject *parent)
    : QObject(parent), m_planner(std::move(steps), passes, intervalMs), m_send(std::move(send))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PlaySchedule::next);
}

void PlaySchedule::start()
{
    m_clock.start();
    next();
}

void PlaySchedule::stop(int status)
{
    if (m_status < 0)
        m_status = status;
    m_planner.stop();
    if (!m_sending) {
        m_timer.stop();
        finish();
    }
}

void PlaySchedule::next()
{
    const PlayPlanner::Action action = m_planner.next(m_clock.elapsed());
    switch (action.kind) {
    case PlayPlanner::Action::Kind::End:
        finish();
        return;
    case PlayPlanner::Action::Kind::Wait:
        // A timer takes an int; a longer wait is taken in parts.
        m_timer.start(int(std::min<qint64>(action.waitMs, std::numeric_limits<int>::max())));
        return;
    case PlayPlanner::Action::Kind::Send:
        break;
    }
    m_sending = true;
    const int status = m_send(*action.step, action.command);
    m_sending = false;
    if (status != 0 || m_status >= 0) {
        stop(status);
        return;
    }
    // Back to the event loop even when the next step is due already, so that
    // a stop asked for meanwhile comes before it.
    m_timer.start(0);
}

void PlaySchedule::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit finished(m_status < 0 ? 0 : m_status);
}

#include "PlaySchedule.h"

#include <algorithm>
#include <limits>

PlaySchedule::PlaySchedule(QList<CommandPlan::Step> steps, int passes, int intervalMs, Send send, QObject *parent)
    : QObject(parent), m_steps(std::move(steps)), m_passes(passes), m_intervalMs(intervalMs), m_send(std::move(send))
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
    if (!m_sending) {
        m_timer.stop();
        finish();
    }
}

bool PlaySchedule::done() const
{
    return m_status >= 0 || m_steps.isEmpty() || (m_passes > 0 && m_pass == m_passes);
}

void PlaySchedule::next()
{
    // A run that is done still keeps its last frame or wait up for its time.
    if (m_status < 0 && m_dueMs > m_clock.elapsed()) {
        waitUntilDue();
        return;
    }
    if (done()) {
        finish();
        return;
    }
    const CommandPlan::Step &step = m_steps[m_step];
    if (step.command.kind == ModuleCommand::Kind::Wait) {
        m_dueMs += step.command.waitMs;
        advance();
        waitUntilDue();
        return;
    }
    m_sending = true;
    int status = 0;
    if (step.command.kind == ModuleCommand::Kind::Play) {
        const AnimationFrame &frame = step.command.frames[m_frame];
        m_dueMs += frame.holdMs > 0 ? frame.holdMs : m_intervalMs;
        if (m_clock.elapsed() < m_dueMs || m_frame + 1 == step.command.frames.size())
            status = m_send(step, ModuleCommand::showing(step.command.position, frame.pattern));
    } else {
        status = m_send(step, step.command);
    }
    m_sending = false;
    if (status != 0 && m_status < 0)
        m_status = status;
    if (m_status >= 0) {
        finish();
        return;
    }
    advance();
    // Back to the event loop even when the next step is due already, so that
    // a stop asked for meanwhile comes before it.
    waitUntilDue();
}

void PlaySchedule::waitUntilDue()
{
    // A timer takes an int; a longer wait is taken in parts.
    m_timer.start(int(std::clamp<qint64>(m_dueMs - m_clock.elapsed(), 0, std::numeric_limits<int>::max())));
}

void PlaySchedule::advance()
{
    const ModuleCommand &command = m_steps[m_step].command;
    if (command.kind == ModuleCommand::Kind::Play && ++m_frame < command.frames.size())
        return;
    m_frame = 0;
    if (++m_step < m_steps.size())
        return;
    m_step = 0;
    ++m_pass;
}

void PlaySchedule::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit finished(m_status < 0 ? 0 : m_status);
}

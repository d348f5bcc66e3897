#include "PlayPlanner.h"

#include <algorithm>

PlayPlanner::PlayPlanner(QList<CommandPlan::Step> steps, int passes, int intervalMs)
    : m_steps(std::move(steps)), m_passes(passes), m_intervalMs(intervalMs), m_passHasNoTime(hasNoTime(m_steps)),
      m_passMs(passMs())
{
}

qint64 PlayPlanner::passMs() const
{
    if (m_passHasNoTime)
        return m_intervalMs;
    qint64 total = 0;
    for (const CommandPlan::Step &step : m_steps) {
        if (step.command.kind == ModuleCommand::Kind::Wait)
            total += step.command.waitMs;
        if (step.command.kind != ModuleCommand::Kind::Play)
            continue;
        for (const AnimationFrame &frame : step.command.frames)
            total += frame.holdMs > 0 ? frame.holdMs : m_intervalMs;
    }
    return total;
}

void PlayPlanner::skipMissedPasses(qint64 nowMs)
{
    if (m_passMs <= 0 || nowMs - m_dueMs < m_passMs)
        return;
    qint64 missed = (nowMs - m_dueMs) / m_passMs;
    if (m_passes > 0)
        missed = std::min(missed, m_passes - 1 - m_pass);
    m_pass += missed;
    m_dueMs += missed * m_passMs;
    m_resuming = true;
}

bool PlayPlanner::hasNoTime(const QList<CommandPlan::Step> &steps)
{
    return std::none_of(steps.begin(), steps.end(), [](const CommandPlan::Step &step) {
        return step.command.kind == ModuleCommand::Kind::Play || step.command.kind == ModuleCommand::Kind::Wait;
    });
}

bool PlayPlanner::takesInterval(const QList<CommandPlan::Step> &steps, int passes)
{
    const bool untimedFrame = std::any_of(steps.begin(), steps.end(), [](const CommandPlan::Step &step) {
        return std::any_of(step.command.frames.begin(), step.command.frames.end(),
                           [](const AnimationFrame &frame) { return frame.holdMs == 0; });
    });
    return untimedFrame || (passes != 1 && hasNoTime(steps));
}

bool PlayPlanner::done() const
{
    return m_stopped || m_steps.isEmpty() || (m_passes > 0 && m_pass == m_passes);
}

PlayPlanner::Action PlayPlanner::next(qint64 nowMs)
{
    // Each turn either answers or moves the due time on by at least a
    // millisecond (a skipped frame, a wait), so the loop ends.
    for (;;) {
        if (!m_stopped && m_dueMs > nowMs) {
            m_resuming = false;
            return {Action::Kind::Wait, nullptr, {}, m_dueMs - nowMs};
        }
        if (done())
            return {};
        skipMissedPasses(nowMs);
        const CommandPlan::Step &step = m_steps[m_step];
        const ModuleCommand &command = step.command;
        if (command.kind == ModuleCommand::Kind::Wait) {
            m_dueMs += command.waitMs;
            advance();
            continue;
        }
        if (command.kind != ModuleCommand::Kind::Play) {
            advance();
            return {Action::Kind::Send, &step, command};
        }
        const AnimationFrame &frame = command.frames[m_frame];
        const bool kept = m_frame + 1 == command.frames.size() && (!m_resuming || m_pass + 1 == m_passes);
        m_dueMs += frame.holdMs > 0 ? frame.holdMs : m_intervalMs;
        advance();
        if (nowMs < m_dueMs || kept) {
            m_resuming = false;
            return {Action::Kind::Send, &step, ModuleCommand::showing(command.position, frame.pattern)};
        }
    }
}

void PlayPlanner::advance()
{
    const ModuleCommand &command = m_steps[m_step].command;
    if (command.kind == ModuleCommand::Kind::Play && ++m_frame < command.frames.size())
        return;
    m_frame = 0;
    if (++m_step < m_steps.size())
        return;
    m_step = 0;
    ++m_pass;
    if (m_passHasNoTime && !done())
        m_dueMs += m_intervalMs;
}

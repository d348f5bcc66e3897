#include "ModuleProgram.h"

#include "ModuleLine.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr int MotionTickMs = 20;

} // namespace

ModuleProgram::ModuleProgram(ModuleLine *line, const Acknowledgement &acknowledgement, const QString &statePath,
                             bool printDisplay, QObject *parent)
    : QObject(parent)
    , m_line(line)
    , m_acknowledgement(acknowledgement)
    , m_statePath(statePath)
    , m_printDisplay(printDisplay)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(FrameDecoder::PauseMs);
    m_motion.setInterval(MotionTickMs);
    connect(&m_pause, &QTimer::timeout, this, &ModuleProgram::endPause);
    connect(&m_motion, &QTimer::timeout, this, &ModuleProgram::move);
    connect(line, &ModuleLine::received, this, &ModuleProgram::receive);
    connect(line, &ModuleLine::peerChanged, this, [this](bool open) {
        emit reported(open ? QStringLiteral("line open") : QStringLiteral("line closed"));
    });
}

void ModuleProgram::loadState()
{
    QFile file(m_statePath);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            emit reported(QStringLiteral("state ignored %1: %2").arg(m_statePath, file.errorString()));
        else if (!m_module.restoreStoredState(file.readAll()))
            emit reported(QStringLiteral("state ignored %1: not a state file of this program").arg(m_statePath));
        else
            emit reported(QStringLiteral("state loaded %1").arg(m_statePath));
    }
    updateMotion();
    emit displayChanged();
    reportDisplay();
}

void ModuleProgram::receive(const QByteArray &bytes)
{
    for (const Frame &frame : m_decoder.feed(bytes))
        handle(frame);
    if (m_decoder.isIdle())
        m_pause.stop();
    else
        m_pause.start();
}

void ModuleProgram::endPause()
{
    // The timer may fire while bytes already wait unread; those belong to the
    // frame in progress and would only look like a pause.
    if (m_line->readPending())
        return;
    if (const auto frame = m_decoder.pause())
        handle(*frame);
}

void ModuleProgram::handle(const Frame &frame)
{
    m_module.apply(frame);
    if (frame.isStore())
        saveState();
    emit reported(QStringLiteral("frame %1 %2").arg(frame.hex(), frame.description()));
    if (frame.isStore() && !m_acknowledgement.bytes.isEmpty()) {
        if (m_acknowledgement.delayMs > 0)
            QTimer::singleShot(m_acknowledgement.delayMs, this, &ModuleProgram::answer);
        else
            answer();
    }
    updateMotion();
    emit displayChanged();
    reportDisplay();
}

void ModuleProgram::saveState()
{
    QSaveFile file(m_statePath);
    const QByteArray state = m_module.storedState();
    if (!file.open(QIODevice::WriteOnly) || file.write(state) != state.size() || !file.commit())
        emit reported(QStringLiteral("state error %1: %2").arg(m_statePath, file.errorString()));
}

void ModuleProgram::answer()
{
    const QString hex = QString::fromLatin1(m_acknowledgement.bytes.toHex(' ').toUpper());
    if (m_line->write(m_acknowledgement.bytes))
        emit reported(QStringLiteral("answer %1").arg(hex));
    else
        emit reported(QStringLiteral("answer %1 dropped: %2").arg(hex, m_line->errorString()));
}

void ModuleProgram::reportDisplay()
{
    if (!m_printDisplay)
        return;
    for (int row = 0; row < 8; ++row) {
        QString line = QStringLiteral("display ");
        for (int column = 0; column < LedModule::ColumnCount; ++column) {
            if (column == 8)
                line += QLatin1Char(' ');
            line += Glyphs::isLit(m_module.display()[column], row) ? QLatin1Char('#') : QLatin1Char('.');
        }
        emit reported(line);
    }
}

void ModuleProgram::updateMotion()
{
    if (!m_module.isMoving()) {
        m_motion.stop();
    } else if (!m_motion.isActive()) {
        m_motionClock.start();
        m_motion.start();
    }
}

void ModuleProgram::move()
{
    m_module.elapse(int(m_motionClock.restart()));
    emit displayChanged();
}

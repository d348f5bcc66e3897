#include "LedModule.h"

#include <QList>

namespace P = ModuleProtocol;

namespace {

constexpr int ScrollStepMs[P::SpeedCount] = {240, 160, 100, 60};
constexpr int CharacterWidth = 8;
constexpr char StateHeader[] = "vexel-module state 1";

template<std::size_t N>
QByteArray toHex(const std::array<std::uint8_t, N> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(N)).toHex().toUpper();
}

template<std::size_t N>
bool fromHex(const QByteArray &hex, std::array<std::uint8_t, N> &bytes)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    if (hex.size() != 2 * int(N) || raw.size() != int(N) || raw.toHex().toUpper() != hex.toUpper())
        return false;
    std::copy(raw.begin(), raw.end(), bytes.begin());
    return true;
}

bool animationFromText(const QByteArray &text, int &animation)
{
    bool ok = false;
    animation = text.toInt(&ok);
    return ok && animation >= LedModule::NoAnimation && animation < P::AnimationCount;
}

} // namespace

int LedModule::scrollStepMs(int speed)
{
    return ScrollStepMs[speed];
}

void LedModule::apply(const Frame &frame)
{
    if (frame.kind != Frame::Kind::Command)
        return;
    switch (frame.opcode()) {
    case P::SaveStartupScreen:
        m_startup = m_screen;
        break;
    case P::Animate:
        m_screen.scrollText.clear();
        m_screen.animations[frame.byte(2)] = frame.byte(1);
        break;
    case P::SaveBitmap:
        std::copy(frame.bytes.begin() + 2, frame.bytes.end(), m_slots[frame.byte(1)].begin());
        break;
    case P::ScrollSpeed:
        m_screen.speed = Frame::speedOf(frame.byte(1));
        break;
    case P::DisplayBitmap: {
        Pattern pattern{};
        std::copy(frame.bytes.begin() + 2, frame.bytes.end(), pattern.begin());
        m_screen.scrollText.clear();
        m_screen.animations[frame.byte(1)] = NoAnimation;
        showHalf(frame.byte(1), pattern);
        break;
    }
    case P::ScrollText:
        m_screen.animations.fill(NoAnimation);
        m_screen.scrollText = frame.bytes.mid(1);
        m_screen.columns.fill(0);
        m_scrollOffset = 0;
        m_scrollClock = 0;
        break;
    case P::StaticCharacters:
        m_screen.scrollText.clear();
        m_screen.animations.fill(NoAnimation);
        showHalf(0, characterPattern(frame.byte(1)));
        showHalf(1, characterPattern(frame.byte(2)));
        break;
    }
    render();
}

void LedModule::elapse(int milliseconds)
{
    if (!m_screen.scrollText.isEmpty()) {
        const int step = scrollStepMs(m_screen.speed);
        m_scrollClock += milliseconds;
        m_scrollOffset = (m_scrollOffset + m_scrollClock / step) % scrollLength();
        m_scrollClock %= step;
    }
    if (m_screen.animations[0] != NoAnimation || m_screen.animations[1] != NoAnimation) {
        m_animationClock += milliseconds;
        m_animationPhase = (m_animationPhase + m_animationClock / AnimationStepMs) % 8;
        m_animationClock %= AnimationStepMs;
    }
    render();
}

bool LedModule::isMoving() const
{
    return !m_screen.scrollText.isEmpty() || m_screen.animations[0] != NoAnimation
        || m_screen.animations[1] != NoAnimation;
}

QByteArray LedModule::storedState() const
{
    QByteArray text = QByteArray(StateHeader) + '\n';
    for (int n = 0; n < P::SlotCount; ++n)
        text += "slot " + QByteArray::number(n) + ' ' + toHex(m_slots[n]) + '\n';
    text += "screen " + toHex(m_startup.columns) + '\n';
    text += "animations " + QByteArray::number(m_startup.animations[0]) + ' '
        + QByteArray::number(m_startup.animations[1]) + '\n';
    text += "speed " + QByteArray::number(m_startup.speed) + '\n';
    text += "scroll " + m_startup.scrollText.toHex().toUpper() + '\n';
    return text;
}

bool LedModule::restoreStoredState(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.value(0) != StateHeader)
        return false;
    auto patterns = m_slots;
    Screen startup;
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> words = line.split(' ');
        const QByteArray &key = words.at(0);
        bool ok = true;
        if (key == "slot" && words.size() == 3) {
            const int n = words.at(1).toInt(&ok);
            ok = ok && n >= 0 && n < P::SlotCount && fromHex(words.at(2), patterns[n]);
        } else if (key == "screen" && words.size() == 2) {
            ok = fromHex(words.at(1), startup.columns);
        } else if (key == "animations" && words.size() == 3) {
            ok = animationFromText(words.at(1), startup.animations[0])
                && animationFromText(words.at(2), startup.animations[1]);
        } else if (key == "speed" && words.size() == 2) {
            startup.speed = words.at(1).toInt(&ok);
            ok = ok && startup.speed >= 0 && startup.speed < P::SpeedCount;
        } else if (key == "scroll" && words.size() <= 2) {
            startup.scrollText = QByteArray::fromHex(words.value(1));
            ok = startup.scrollText.size() <= P::MaxScrollTextLength;
        } else {
            ok = line.isEmpty();
        }
        if (!ok)
            return false;
    }
    m_slots = patterns;
    m_startup = startup;
    startShowing(startup);
    return true;
}

Pattern LedModule::characterPattern(std::uint8_t code) const
{
    return code < P::SlotCount ? m_slots[code] : Glyphs::character(code);
}

void LedModule::showHalf(int position, const Pattern &pattern)
{
    std::copy(pattern.begin(), pattern.end(), m_screen.columns.begin() + 8 * position);
}

// The text enters from the right of a blank display, passes, and starts over.
std::uint8_t LedModule::scrollColumn(int index) const
{
    if (index < ColumnCount)
        return 0;
    index -= ColumnCount;
    return characterPattern(std::uint8_t(m_screen.scrollText.at(index / CharacterWidth)))[index % CharacterWidth];
}

int LedModule::scrollLength() const
{
    return ColumnCount + CharacterWidth * int(m_screen.scrollText.size());
}

void LedModule::startShowing(const Screen &screen)
{
    m_screen = screen;
    m_scrollOffset = 0;
    m_scrollClock = 0;
    m_animationPhase = 0;
    m_animationClock = 0;
    render();
}

void LedModule::render()
{
    if (!m_screen.scrollText.isEmpty()) {
        for (int column = 0; column < ColumnCount; ++column)
            m_screen.columns[column] = scrollColumn((m_scrollOffset + column) % scrollLength());
        return;
    }
    for (int position = 0; position < P::PositionCount; ++position) {
        if (m_screen.animations[position] != NoAnimation)
            showHalf(position, Glyphs::arrow(m_screen.animations[position], m_animationPhase));
    }
}

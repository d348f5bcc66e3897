#pragma once

#include "Frame.h"
#include "Glyphs.h"
#include "ModuleProtocol.h"

#include <QByteArray>

#include <array>
#include <cstdint>

// What the module does with the frames it is given: a 16 x 8 display made of
// two 8 x 8 halves (display position 0 left, 1 right), ten pattern slots that
// double as the custom characters ^0 to ^9, scrolling text and arrow
// animations. Time passes only through elapse(), so it runs the same in the
// program and in a test.
class LedModule
{
public:
    static constexpr int ColumnCount = 16;
    static constexpr int NoAnimation = -1;
    static constexpr int AnimationStepMs = 100;
    static constexpr int DefaultSpeed = 2;
    using Columns = std::array<std::uint8_t, ColumnCount>;

    // Anything but a good command frame leaves the module as it was.
    void apply(const Frame &frame);
    void elapse(int milliseconds);
    bool isMoving() const;

    // Column k of the display is byte k, left to right.
    const Columns &display() const { return m_screen.columns; }
    Pattern slot(int number) const { return m_slots.at(number); }
    int speed() const { return m_screen.speed; }

    // The slots and the start-up screen, which a real module keeps while
    // switched off; restoreStoredState() takes this back and shows the
    // start-up screen, or returns false and changes nothing.
    QByteArray storedState() const;
    bool restoreStoredState(const QByteArray &text);

    // Time from one scroll step (one column to the left) to the next.
    static int scrollStepMs(int speed);

private:
    struct Screen
    {
        Columns columns{};
        std::array<int, ModuleProtocol::PositionCount> animations{NoAnimation, NoAnimation};
        QByteArray scrollText;
        int speed = DefaultSpeed;
    };

    Pattern characterPattern(std::uint8_t code) const;
    void showHalf(int position, const Pattern &pattern);
    std::uint8_t scrollColumn(int index) const;
    int scrollLength() const;
    void startShowing(const Screen &screen);
    void render();

    std::array<Pattern, ModuleProtocol::SlotCount> m_slots{};
    Screen m_screen;
    Screen m_startup;
    int m_scrollOffset = 0;
    int m_scrollClock = 0;
    int m_animationPhase = 0;
    int m_animationClock = 0;
};

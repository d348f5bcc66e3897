#pragma once

#include "ModuleProtocol.h"

// One frame of an animation: the pattern and how long it stays up. A frame
// without a time of its own stays up for the run's interval.
struct AnimationFrame
{
    // An animation is kept whole in memory before anything is sent, so that a
    // bad frame sends nothing; this bounds it (8 minutes at 50 ms a frame).
    static constexpr int MaxFrames = 10000;
    static constexpr int MaxHoldMs = 3600000;

    ModuleProtocol::ColumnBytes pattern{};
    int holdMs = 0; // 0: the interval
};

#pragma once

#include <array>
#include <cstdint>

// One 8x8 half of the display as eight column bytes, leftmost first, each in
// the module's row order: from top to bottom the bits of weight 16, 32, 64,
// 128, 1, 2, 4, 8 (the panel's dot grid uses the same order).
using Pattern = std::array<std::uint8_t, 8>;

namespace Glyphs {

bool isLit(std::uint8_t column, int row);

// The built-in font covers printable ASCII; any other code shows a box.
Pattern character(std::uint8_t code);

// Animation 0 to 3 (arrow up, down, right, left); the arrow moves one dot
// towards its point per phase and wraps round after eight.
Pattern arrow(int animation, int phase);

} // namespace Glyphs

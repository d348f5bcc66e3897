#pragma once

#include <array>
#include <cstdint>

// The byte frames the LED module understands. Shared by the control panel and
// the stand-in module so both sides agree on every opcode and length.
namespace ModuleProtocol {

constexpr std::uint8_t SaveStartupScreen = 0xF7; // F7 1B
constexpr std::uint8_t Animate = 0xF8;           // F8 animation position
constexpr std::uint8_t SaveBitmap = 0xF9;        // F9 slot b0..b7
constexpr std::uint8_t ScrollSpeed = 0xFA;       // FA operand
constexpr std::uint8_t DisplayBitmap = 0xFC;     // FC position b0..b7
constexpr std::uint8_t ScrollText = 0xFD;        // FD text... (no length, no end)
constexpr std::uint8_t StaticCharacters = 0xFE;  // FE first second

constexpr std::uint8_t StartupMarker = 0x1B;     // the fixed second byte of F7
constexpr std::uint8_t Acknowledge = 0xAA;       // the module's answer to a store

constexpr int SaveStartupScreenLength = 2;
constexpr int AnimateLength = 3;
constexpr int BitmapFrameLength = 10;
constexpr int ScrollSpeedLength = 2;
constexpr int ScrollTextOpcodeLength = 1;
constexpr int StaticCharactersLength = 3;

// The eight column bytes of a pattern, leftmost column first.
using ColumnBytes = std::array<std::uint8_t, 8>;

constexpr int MaxScrollTextLength = 30;
constexpr int SlotCount = 10;
constexpr int PositionCount = 2;
constexpr int AnimationCount = 4;
constexpr int SpeedCount = 4;

// Speed list position 0 (slowest) .. 3 (fastest) to the operand on the line.
constexpr std::uint8_t speedOperand(int position) { return std::uint8_t(57 - 8 * position); }

constexpr bool isOpcode(std::uint8_t byte)
{
    return byte >= SaveStartupScreen && byte <= StaticCharacters && byte != 0xFB;
}

} // namespace ModuleProtocol

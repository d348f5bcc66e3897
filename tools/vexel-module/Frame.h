#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// One piece of what came over the line: a command frame, or bytes the module
// could not take as one. The bytes are kept as received, opcode first, so the
// log shows exactly what arrived.
struct Frame
{
    enum class Kind { Command, Bad, CutShort, UnknownByte };
    // The scroll text carries neither a length nor a terminator, so the log
    // says what ended it.
    enum class TextEnd { None, NextOpcode, FullLength, Pause };

    Kind kind = Kind::Command;
    QByteArray bytes;
    TextEnd textEnd = TextEnd::None;

    std::uint8_t opcode() const { return std::uint8_t(bytes.at(0)); }
    std::uint8_t byte(int index) const { return std::uint8_t(bytes.at(index)); }

    // A good "save bitmap" or "save start-up screen", which the module answers.
    bool isStore() const;
    // The out-of-range fields of a complete frame, e.g. "slot=10"; empty when it is good.
    QString problem() const;
    QString hex() const;
    // One line for the log, e.g. "save-bitmap slot=9" or "bad display-bitmap pos=2".
    QString description() const;

    // The fixed length of a frame, opcode included; 0 for the scroll text.
    static int length(std::uint8_t opcode);
    static QString name(std::uint8_t opcode);
    // 0 (slowest) to 3 (fastest), or -1 for an operand that names no speed.
    static int speedOf(std::uint8_t operand);
};

#pragma once

#include "Frame.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Splits the byte stream from the control panel into frames, however the bytes
// are chunked on the way. It knows no time: whoever feeds it calls pause()
// once the line has been quiet for PauseMs.
//
// An opcode byte ends a partial frame where the frame expects a number (slot,
// position, animation, speed operand, the 1B marker), since none of those can
// be an opcode. Column bytes and character codes take any value, 0xF8 is a
// plain column pattern, so there only a pause ends a frame cut short.
class FrameDecoder
{
public:
    // At 9600 baud a byte takes about a millisecond and the panel writes a
    // scroll text straight after its opcode, so 50 ms of silence means the
    // sender has finished.
    static constexpr int PauseMs = 50;

    QList<Frame> feed(const QByteArray &bytes);
    // Ends a scroll text, or reports the partial frame as cut short.
    std::optional<Frame> pause();
    bool isIdle() const { return m_pending.isEmpty(); }

private:
    void take(std::uint8_t byte, QList<Frame> &out);
    Frame finish(Frame::Kind kind, Frame::TextEnd end = Frame::TextEnd::None);
    bool takesAnyByte(qsizetype offset) const;

    QByteArray m_pending;
};

#pragma once

#include <QtGlobal>

// What a storing command met after its frame. The window only shows its
// message on an acknowledgement; a caller without a window reports the rest.
struct StoreReply
{
    enum class Outcome {
        NotSent,      // the frame did not leave whole: a slot outside 0 .. 9, or a failed write
        NotRead,      // the wait was abandoned, or the port closed during it
        NoAnswer,     // nothing waited
        Acknowledged, // exactly one byte, 0xAA
        OtherByte,    // exactly one byte, another value
        SeveralBytes, // two or more bytes, left waiting
    };

    Outcome outcome = Outcome::NotSent;
    int waiting = 0;   // bytes found waiting after the wait
    quint8 byte = 0;   // the byte read when exactly one was waiting
};

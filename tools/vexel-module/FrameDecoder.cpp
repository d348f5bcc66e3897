#include "FrameDecoder.h"

#include "ModuleProtocol.h"

namespace P = ModuleProtocol;

QList<Frame> FrameDecoder::feed(const QByteArray &bytes)
{
    QList<Frame> out;
    for (const char byte : bytes)
        take(std::uint8_t(byte), out);
    return out;
}

std::optional<Frame> FrameDecoder::pause()
{
    if (m_pending.isEmpty())
        return std::nullopt;
    if (std::uint8_t(m_pending.at(0)) == P::ScrollText)
        return finish(Frame::Kind::Command, Frame::TextEnd::Pause);
    return finish(Frame::Kind::CutShort);
}

void FrameDecoder::take(std::uint8_t byte, QList<Frame> &out)
{
    if (m_pending.isEmpty()) {
        if (P::isOpcode(byte))
            m_pending.append(char(byte));
        else
            out << Frame{Frame::Kind::UnknownByte, QByteArray(1, char(byte))};
        return;
    }

    const bool isText = std::uint8_t(m_pending.at(0)) == P::ScrollText;
    if (P::isOpcode(byte) && !takesAnyByte(m_pending.size())) {
        out << (isText ? finish(Frame::Kind::Command, Frame::TextEnd::NextOpcode) : finish(Frame::Kind::CutShort));
        m_pending.append(char(byte));
        return;
    }

    m_pending.append(char(byte));
    if (isText) {
        if (m_pending.size() == 1 + P::MaxScrollTextLength)
            out << finish(Frame::Kind::Command, Frame::TextEnd::FullLength);
    } else if (m_pending.size() == Frame::length(std::uint8_t(m_pending.at(0)))) {
        Frame frame = finish(Frame::Kind::Command);
        if (!frame.problem().isEmpty())
            frame.kind = Frame::Kind::Bad;
        out << frame;
    }
}

Frame FrameDecoder::finish(Frame::Kind kind, Frame::TextEnd end)
{
    Frame frame{kind, m_pending, end};
    m_pending.clear();
    return frame;
}

bool FrameDecoder::takesAnyByte(qsizetype offset) const
{
    switch (std::uint8_t(m_pending.at(0))) {
    case P::SaveBitmap:
    case P::DisplayBitmap:
        return offset >= 2;
    case P::StaticCharacters:
        return true;
    default:
        return false;
    }
}

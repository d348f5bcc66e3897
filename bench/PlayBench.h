#pragma once

#include "ResultTable.h"

#include <QString>

#include <optional>
#include <vector>

// The schedule of "vexel-send play" as the line sees it: the real program
// plays a text animation to a pseudo-terminal, and the bench notes the moment
// each frame's last byte comes. A frame's lateness is its moment after the
// first frame's, less its place in the schedule.
class PlayBench
{
public:
    explicit PlayBench(const QString &sendPath) : m_sendPath(sendPath) {}

    bool ready() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // The last frame's lateness after frames at intervalMs, and over frames
    // the spread of every frame's lateness and the program's processor time.
    std::vector<ResultTable::Row> drift(int frames, int intervalMs);
    std::vector<ResultTable::Row> jitter(int frames, int intervalMs);

private:
    struct Played
    {
        std::vector<double> latenessMs; // one a frame, the first 0
        double cpuMsPerSecond = 0;      // between the first frame and the last
    };
    std::optional<Played> play(int frames, int intervalMs);

    QString m_sendPath;
    QString m_error;
};

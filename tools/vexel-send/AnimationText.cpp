#include "AnimationText.h"

#include "PatternText.h"
#include "WholeNumber.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int GridHeight = 8;

// As in a command file, a word that starts with # starts a comment.
QStringList withoutComment(const QStringList &words)
{
    const auto comment = std::find_if(words.begin(), words.end(), [](const QString &word) { return word.startsWith(QLatin1Char('#')); });
    return words.first(comment - words.begin());
}

} // namespace

int holdMilliseconds(const QString &word)
{
    return wholeNumber(word, 1, AnimationFrame::MaxHoldMs);
}

std::optional<QList<AnimationFrame>> animationFrames(const QString &text, QString &error)
{
    QList<AnimationFrame> frames;
    QStringList rows;
    int gridLine = 0;
    bool waited = false;
    const auto failure = [&error](int line, const QString &reason) -> std::optional<QList<AnimationFrame>> {
        error = QStringLiteral("line %1: %2").arg(line).arg(reason);
        return std::nullopt;
    };
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i <= lines.size(); ++i) {
        const QString line = i < lines.size() ? lines[i] : QString();
        if (isCommentLine(line))
            continue;
        QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool wait = !words.isEmpty() && words.first() == QLatin1String("wait");
        if (wait)
            words = withoutComment(words);
        if (!wait && !words.isEmpty()) {
            if (rows.isEmpty())
                gridLine = i + 1;
            rows << line;
            continue;
        }
        if (!rows.isEmpty()) {
            if (rows.size() != GridHeight)
                return failure(gridLine, QStringLiteral("a grid has 8 lines, this one %1").arg(rows.size()));
            if (frames.size() == AnimationFrame::MaxFrames)
                return failure(gridLine, QStringLiteral("more than %1 frames").arg(AnimationFrame::MaxFrames));
            QString why;
            const std::optional<ModuleProtocol::ColumnBytes> pattern = gridPattern(rows.join(QLatin1Char('\n')), why);
            if (!pattern)
                return failure(gridLine, why);
            frames << AnimationFrame{*pattern};
            rows.clear();
            waited = false;
        }
        if (wait) {
            const int ms = words.size() == 2 ? holdMilliseconds(words[1]) : -1;
            if (ms < 0)
                return failure(i + 1, QStringLiteral("write wait MS, with MS from 1 to %1").arg(AnimationFrame::MaxHoldMs));
            if (frames.isEmpty() || waited)
                return failure(i + 1, QStringLiteral("a wait needs a grid of its own before it"));
            frames.last().holdMs = ms;
            waited = true;
        }
    }
    if (frames.isEmpty()) {
        error = QStringLiteral("no frame in it");
        return std::nullopt;
    }
    return frames;
}

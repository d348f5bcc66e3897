#pragma once

#include "UserMessages.h"

#include <QStringList>

#include <functional>

// Records what the program would have shown in a box, instead of blocking
// the test in a modal one. onShow, when set, plays the user's part while the
// box would be up.
class RecordingMessages : public UserMessages
{
public:
    void show(const QString &text) override
    {
        shown.append(text);
        if (onShow)
            onShow(text);
    }

    QStringList shown;
    std::function<void(const QString &)> onShow;
};

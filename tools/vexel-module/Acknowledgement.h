#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How the module answers a store. The default is the real module's single
// 0xAA at once; the others show how the panel copes with a module that is
// silent, wrong, chatty or slow.
struct Acknowledgement
{
    QByteArray bytes;
    int delayMs = 0;

    // "none", "byte:XX" (two hex digits), "double" (AA AA) or "delay:MS" (AA after MS ms).
    static std::optional<Acknowledgement> parse(const QString &text);
};

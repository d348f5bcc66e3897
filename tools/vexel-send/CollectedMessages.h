#pragma once

#include "UserMessages.h"

#include <QStringList>

#include <utility>

// What the panel would show in message boxes, kept for the caller to print.
class CollectedMessages : public UserMessages
{
public:
    void show(const QString &text) override { m_messages << text; }
    QStringList take() { return std::exchange(m_messages, {}); }

private:
    QStringList m_messages;
};

#pragma once

#include "UserMessages.h"

class QWidget;

// Tells the user in a modal box: OK only, no icon, titled "VexelApp".
class MessageBoxMessages : public UserMessages
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    void show(const QString &text) override;

private:
    QWidget *m_parent = nullptr;
};

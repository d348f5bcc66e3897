#pragma once

#include <QPushButton>

// A push button whose caption wraps onto a second line when it does not fit,
// as the window's narrow buttons need ("Show Static Characters").
class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

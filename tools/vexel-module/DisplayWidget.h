#pragma once

#include "LedModule.h"

#include <QWidget>

// The module's 16 x 8 dots, red on a dark ground, kept to the module's
// proportions whatever the widget's size.
class DisplayWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DisplayWidget(const LedModule &module, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const LedModule &m_module;
};

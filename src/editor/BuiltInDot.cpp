#include "BuiltInDot.h"

#include <QPainter>

QPixmap builtInUnlitDot()
{
    QPixmap dot(18, 19);
    dot.fill(QColor(192, 192, 192));
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(2.5, 3.0, 13.0, 13.0));
    return dot;
}

#include "BuiltInDot.h"

#include <QPainter>

QPixmap builtInUnlitDot(qreal devicePixelRatio)
{
    const QSize logicalSize(18, 19);
    QPixmap dot(logicalSize * devicePixelRatio);
    dot.setDevicePixelRatio(devicePixelRatio);
    dot.fill(QColor(192, 192, 192));
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(2.5, 3.0, 13.0, 13.0));
    return dot;
}

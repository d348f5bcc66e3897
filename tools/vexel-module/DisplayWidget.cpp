#include "DisplayWidget.h"

#include <QPainter>

namespace {

// In dot pitches: a margin round the board and a gap between the two halves.
constexpr double Margin = 0.5;
constexpr double HalfGap = 0.5;
constexpr double BoardWidth = LedModule::ColumnCount + HalfGap + 2 * Margin;
constexpr double BoardHeight = 8 + 2 * Margin;
constexpr int PreferredPitch = 28;

const QColor Ground(0x14, 0x10, 0x10);
const QColor Lit(0xFF, 0x30, 0x20);
const QColor Unlit(0x3A, 0x12, 0x10);

} // namespace

DisplayWidget::DisplayWidget(const LedModule &module, QWidget *parent)
    : QWidget(parent)
    , m_module(module)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMinimumSize(int(BoardWidth * 8), int(BoardHeight * 8));
}

QSize DisplayWidget::sizeHint() const
{
    return QSize(int(BoardWidth * PreferredPitch), int(BoardHeight * PreferredPitch));
}

void DisplayWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pitch = std::min(width() / BoardWidth, height() / BoardHeight);
    const QPointF origin((width() - pitch * BoardWidth) / 2, (height() - pitch * BoardHeight) / 2);
    painter.fillRect(QRectF(origin, QSizeF(pitch * BoardWidth, pitch * BoardHeight)), Ground);
    painter.setPen(Qt::NoPen);
    const double radius = pitch * 0.4;
    for (int column = 0; column < LedModule::ColumnCount; ++column) {
        const double x = Margin + column + (column >= 8 ? HalfGap : 0) + 0.5;
        for (int row = 0; row < 8; ++row) {
            const QPointF centre = origin + QPointF(x * pitch, (Margin + row + 0.5) * pitch);
            painter.setBrush(Glyphs::isLit(m_module.display()[column], row) ? Lit : Unlit);
            painter.drawEllipse(centre, radius, radius);
        }
    }
}

#include "DotGridWidget.h"

#include "BuiltInDot.h"
#include "DotGrid.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int TwipsPerPixel = 15;
constexpr int ColumnPitchTwips = 360;
constexpr int CellWidthTwips = 270;
constexpr int CellHeightTwips = 285;
// Top of each row in twips, in the order of DotGrid::RowWeights.
constexpr std::array<int, 8> RowTopTwips{480, 840, 1200, 1560, 1920, 2280, 2640, 3000};

int rowOf(int weight)
{
    const auto &weights = DotGrid::RowWeights;
    return int(std::find(weights.begin(), weights.end(), weight) - weights.begin());
}
} // namespace

DotGridWidget::DotGridWidget(QWidget *parent) : QWidget(parent)
{
    m_pictures.fill(builtInUnlitDot());
}

QRect DotGridWidget::cellRect(int column, int weight)
{
    return QRect(ColumnPitchTwips * column / TwipsPerPixel,
                 RowTopTwips[std::size_t(rowOf(weight))] / TwipsPerPixel,
                 CellWidthTwips / TwipsPerPixel, CellHeightTwips / TwipsPerPixel);
}

std::optional<DotGridWidget::Cell> DotGridWidget::cellAt(const QPoint &position)
{
    for (int column = 1; column <= DotGrid::ColumnCount; ++column)
        for (int weight : DotGrid::RowWeights)
            if (cellRect(column, weight).contains(position))
                return Cell{column, weight};
    return std::nullopt;
}

std::size_t DotGridWidget::slot(int column, int weight)
{
    return std::size_t((column - 1) * 8 + rowOf(weight));
}

QPixmap DotGridWidget::cellPicture(int column, int weight) const
{
    return m_pictures[slot(column, weight)];
}

void DotGridWidget::setCellPicture(int column, int weight, const QPixmap &picture)
{
    if (column < 1 || column > DotGrid::ColumnCount || !DotGrid::isWeight(weight))
        return;
    m_pictures[slot(column, weight)] = picture;
    update(cellRect(column, weight));
}

void DotGridWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int column = 1; column <= DotGrid::ColumnCount; ++column) {
        for (int weight : DotGrid::RowWeights) {
            // A cell shows its picture unscaled; a larger picture is cut to the cell.
            const QRect cell = cellRect(column, weight);
            painter.setClipRect(cell);
            painter.drawPixmap(cell.topLeft(), m_pictures[slot(column, weight)]);
        }
    }
}

void DotGridWidget::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? cellAt(event->position().toPoint())
                                                  : std::nullopt;
}

void DotGridWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const std::optional<Cell> pressed = m_pressed;
    m_pressed.reset();
    if (!pressed || event->button() != Qt::LeftButton)
        return;
    const std::optional<Cell> released = cellAt(event->position().toPoint());
    if (released && released->column == pressed->column && released->weight == pressed->weight)
        emit cellClicked(pressed->column, pressed->weight);
}

// The second press of a double click is no click of its own.
void DotGridWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    m_pressed.reset();
}

#include "DotGridWidget.h"

#include "BuiltInDot.h"
#include "DotGrid.h"
#include "DotGridAccessible.h"

#include <QAccessible>
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
} // namespace

DotGridWidget::DotGridWidget(QWidget *parent) : QWidget(parent)
{
    QAccessible::installFactory(DotGridAccessible::create);
}

int DotGridWidget::rowOf(int weight)
{
    const auto &weights = DotGrid::RowWeights;
    return int(std::find(weights.begin(), weights.end(), weight) - weights.begin()) + 1;
}

bool DotGridWidget::isCell(int column, int weight)
{
    return column >= 1 && column <= DotGrid::ColumnCount && DotGrid::isWeight(weight);
}

int DotGridWidget::indexOf(int column, int weight)
{
    return (rowOf(weight) - 1) * DotGrid::ColumnCount + column - 1;
}

DotGridWidget::Cell DotGridWidget::cellOfIndex(int index)
{
    return Cell{index % DotGrid::ColumnCount + 1, DotGrid::RowWeights[std::size_t(index / DotGrid::ColumnCount)]};
}

QRect DotGridWidget::cellRect(int column, int weight)
{
    return QRect(ColumnPitchTwips * column / TwipsPerPixel,
                 RowTopTwips[std::size_t(rowOf(weight) - 1)] / TwipsPerPixel,
                 CellWidthTwips / TwipsPerPixel, CellHeightTwips / TwipsPerPixel);
}

std::optional<DotGridWidget::Cell> DotGridWidget::cellAt(const QPoint &position)
{
    for (int index = 0; index < CellCount; ++index) {
        const Cell cell = cellOfIndex(index);
        if (cellRect(cell.column, cell.weight).contains(position))
            return cell;
    }
    return std::nullopt;
}

QPixmap DotGridWidget::cellPicture(int column, int weight) const
{
    const QPixmap &picture = m_pictures[std::size_t(indexOf(column, weight))];
    return picture.isNull() ? builtInUnlitDot(devicePixelRatioF()) : picture;
}

bool DotGridWidget::isCellLit(int column, int weight) const
{
    return isCell(column, weight) && m_lit[std::size_t(indexOf(column, weight))];
}

void DotGridWidget::setCell(int column, int weight, const QPixmap &picture, bool lit)
{
    if (!isCell(column, weight))
        return;
    const int index = indexOf(column, weight);
    m_pictures[std::size_t(index)] = picture;
    update(cellRect(column, weight));
    if (m_lit[std::size_t(index)] == lit)
        return;
    m_lit[std::size_t(index)] = lit;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

void DotGridWidget::activateCell(int column, int weight)
{
    if (isEnabled() && isCell(column, weight))
        emit cellClicked(column, weight);
}

const QPixmap &DotGridWidget::builtInDot()
{
    const qreal ratio = devicePixelRatioF();
    if (m_builtInDot.isNull() || !qFuzzyCompare(m_builtInDot.devicePixelRatio(), ratio))
        m_builtInDot = builtInUnlitDot(ratio);
    return m_builtInDot;
}

void DotGridWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int index = 0; index < CellCount; ++index) {
        const Cell cell = cellOfIndex(index);
        // A cell shows its picture unscaled; a larger picture is cut to the cell.
        const QRect rect = cellRect(cell.column, cell.weight);
        const QPixmap &picture = m_pictures[std::size_t(index)];
        painter.setClipRect(rect);
        painter.drawPixmap(rect.topLeft(), picture.isNull() ? builtInDot() : picture);
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

#include "DotGridAccessible.h"

#include "DotCellAccessible.h"
#include "DotGridWidget.h"

DotGridAccessible::DotGridAccessible(DotGridWidget *grid)
    : QAccessibleWidget(grid, QAccessible::Table, QStringLiteral("DOT MATRIX"))
{
}

DotGridAccessible::~DotGridAccessible()
{
    for (QAccessible::Id id : m_cellIds) {
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
    }
}

QAccessibleInterface *DotGridAccessible::create(const QString &, QObject *object)
{
    if (auto *grid = qobject_cast<DotGridWidget *>(object))
        return new DotGridAccessible(grid);
    return nullptr;
}

DotGridWidget *DotGridAccessible::grid() const
{
    return static_cast<DotGridWidget *>(widget());
}

void *DotGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

int DotGridAccessible::childCount() const
{
    return DotGridWidget::CellCount;
}

QAccessibleInterface *DotGridAccessible::child(int index) const
{
    if (index < 0 || index >= DotGridWidget::CellCount)
        return nullptr;
    QAccessible::Id &id = m_cellIds[std::size_t(index)];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new DotCellAccessible(grid(), index));
    return QAccessible::accessibleInterface(id);
}

int DotGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child));
    const auto found = std::find(m_cellIds.begin(), m_cellIds.end(), id);
    return found == m_cellIds.end() ? -1 : int(found - m_cellIds.begin());
}

QAccessibleInterface *DotGridAccessible::childAt(int x, int y) const
{
    const std::optional<DotGridWidget::Cell> cell = DotGridWidget::cellAt(grid()->mapFromGlobal(QPoint(x, y)));
    return cell ? child(DotGridWidget::indexOf(cell->column, cell->weight)) : nullptr;
}

QString DotGridAccessible::columnDescription(int column) const
{
    return QStringLiteral("column %1").arg(column + 1);
}

QString DotGridAccessible::rowDescription(int row) const
{
    return QStringLiteral("row %1").arg(row + 1);
}

int DotGridAccessible::columnCount() const
{
    return 8;
}

int DotGridAccessible::rowCount() const
{
    return 8;
}

QAccessibleInterface *DotGridAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return child(row * columnCount() + column);
}

#include "DotCellAccessible.h"

#include "DotGridWidget.h"

#include <QWidget>
#include <QWindow>

DotCellAccessible::DotCellAccessible(DotGridWidget *grid, int index)
    : m_grid(grid)
{
    const DotGridWidget::Cell cell = DotGridWidget::cellOfIndex(index);
    m_column = cell.column;
    m_weight = cell.weight;
}

bool DotCellAccessible::isValid() const
{
    return !m_grid.isNull();
}

QWindow *DotCellAccessible::window() const
{
    return m_grid ? m_grid->window()->windowHandle() : nullptr;
}

QAccessibleInterface *DotCellAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(m_grid.data());
}

QString DotCellAccessible::text(QAccessible::Text type) const
{
    switch (type) {
    case QAccessible::Name:
        return QStringLiteral("column %1, row %2").arg(m_column).arg(DotGridWidget::rowOf(m_weight));
    case QAccessible::Description:
        return QStringLiteral("bit weight %1").arg(m_weight);
    default:
        return QString();
    }
}

QRect DotCellAccessible::rect() const
{
    if (!m_grid)
        return QRect();
    const QRect cell = DotGridWidget::cellRect(m_column, m_weight);
    return QRect(m_grid->mapToGlobal(cell.topLeft()), cell.size());
}

QAccessible::State DotCellAccessible::state() const
{
    QAccessible::State state;
    if (!m_grid)
        return state;
    state.checkable = true;
    state.checked = m_grid->isCellLit(m_column, m_weight);
    state.disabled = !m_grid->isEnabled();
    state.invisible = !m_grid->isVisible();
    return state;
}

void *DotCellAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface *>(this);
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

int DotCellAccessible::columnIndex() const
{
    return m_column - 1;
}

int DotCellAccessible::rowIndex() const
{
    return DotGridWidget::rowOf(m_weight) - 1;
}

QStringList DotCellAccessible::actionNames() const
{
    return {toggleAction()};
}

void DotCellAccessible::doAction(const QString &actionName)
{
    if (m_grid && actionName == toggleAction())
        m_grid->activateCell(m_column, m_weight);
}

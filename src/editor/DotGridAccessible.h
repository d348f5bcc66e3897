#pragma once

#include <QAccessibleWidget>

#include <array>

class DotGridWidget;

// The dot grid as assistive tools see it: a table of 8 rows and 8 columns
// whose cells (DotCellAccessible) are checked while their dot is lit and
// toggle like a click. The cells are no objects of their own, so their
// interfaces are made here on first use and go with the table.
class DotGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit DotGridAccessible(DotGridWidget *grid);
    ~DotGridAccessible() override;

    // For QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    QAccessibleInterface *cellAt(int row, int column) const override;

    // Dots are lit, not selected.
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

private:
    DotGridWidget *grid() const;

    mutable std::array<QAccessible::Id, 64> m_cellIds{};
};

#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>
#include <optional>

// Shows the 64 dot cells inside the "DOT MATRIX" group and turns a single
// click into cellClicked(column, weight). It holds what each cell shows (its
// picture, and whether that picture is a lit dot, for those who cannot see
// it); what a dot means lives in DotGrid. Assistive tools read it as a table
// of 8 x 8 cells (DotGridAccessible).
class DotGridWidget : public QWidget
{
    Q_OBJECT
public:
    struct Cell
    {
        int column = 0; // 1 .. 8
        int weight = 0; // bit weight of the row
    };
    static constexpr int CellCount = 64;

    explicit DotGridWidget(QWidget *parent = nullptr);

    // Cell geometry in twips within the group, 15 twips to a pixel.
    static QRect cellRect(int column, int weight);
    static std::optional<Cell> cellAt(const QPoint &position);
    // Row 1 is the top row.
    static int rowOf(int weight);
    // Cells in reading order: row by row from the top, each from the left.
    static int indexOf(int column, int weight);
    static Cell cellOfIndex(int index);

    QPixmap cellPicture(int column, int weight) const;
    bool isCellLit(int column, int weight) const;

public slots:
    // An empty picture shows the built-in unlit dot.
    void setCell(int column, int weight, const QPixmap &picture, bool lit);
    // Does what a click on the cell does: nothing while the grid takes no input.
    void activateCell(int column, int weight);

signals:
    void cellClicked(int column, int weight);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    static bool isCell(int column, int weight);
    const QPixmap &builtInDot();

    std::array<QPixmap, CellCount> m_pictures;
    std::array<bool, CellCount> m_lit{};
    // Drawn for the device pixel ratio it was last painted at.
    QPixmap m_builtInDot;
    std::optional<Cell> m_pressed;
};

#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>
#include <optional>

// Shows the 64 dot cells inside the "DOT MATRIX" group and turns a single
// click into cellClicked(column, weight). It holds pictures only; what a dot
// means lives in DotGrid.
class DotGridWidget : public QWidget
{
    Q_OBJECT
public:
    struct Cell
    {
        int column = 0; // 1 .. 8
        int weight = 0; // bit weight of the row
    };

    explicit DotGridWidget(QWidget *parent = nullptr);

    // Cell geometry in twips within the group, 15 twips to a pixel.
    static QRect cellRect(int column, int weight);
    static std::optional<Cell> cellAt(const QPoint &position);

    QPixmap cellPicture(int column, int weight) const;

public slots:
    void setCellPicture(int column, int weight, const QPixmap &picture);

signals:
    void cellClicked(int column, int weight);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    static std::size_t slot(int column, int weight);

    std::array<QPixmap, 64> m_pictures;
    std::optional<Cell> m_pressed;
};

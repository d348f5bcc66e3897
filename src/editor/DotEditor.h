#pragma once

#include "DotGrid.h"

#include <QObject>
#include <QString>

#include <array>

class DotGridWidget;
class QLabel;

// Ties the pattern to what the window shows: the cell pictures, read from
// the program folder on every change, and the eight column labels.
class DotEditor : public QObject
{
    Q_OBJECT
public:
    static inline const QString LitPictureFile = QStringLiteral("dotf.BMP");
    static inline const QString UnlitPictureFile = QStringLiteral("dotb.JPG");

    DotEditor(DotGridWidget &cells, std::array<QLabel *, 8> labels, QString programDir,
              QObject *parent = nullptr);

    const DotGrid &grid() const { return m_grid; }

public slots:
    void toggleCell(int column, int weight);
    void clearAll();

signals:
    // A picture could not be loaded; the text says which file and why.
    void pictureFailed(const QString &description);

private:
    QString picturePath(const QString &file) const;

    DotGrid m_grid;
    DotGridWidget &m_cells;
    std::array<QLabel *, 8> m_labels;
    QString m_programDir;
};

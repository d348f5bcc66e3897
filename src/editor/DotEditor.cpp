#include "DotEditor.h"

#include "DotGridWidget.h"
#include "PictureLoader.h"

#include <QDir>
#include <QLabel>

DotEditor::DotEditor(DotGridWidget &cells, std::array<QLabel *, 8> labels, QString programDir,
                     QObject *parent)
    : QObject(parent), m_cells(cells), m_labels(labels), m_programDir(std::move(programDir))
{
    connect(&m_cells, &DotGridWidget::cellClicked, this, &DotEditor::toggleCell);
}

QString DotEditor::picturePath(const QString &file) const
{
    return QDir(m_programDir).filePath(file);
}

void DotEditor::toggleCell(int column, int weight)
{
    if (column < 1 || column > DotGrid::ColumnCount || !DotGrid::isWeight(weight))
        return;
    const bool lighting = !m_grid.isOn(column, weight);
    const PictureLoader::Result picture =
        PictureLoader::load(picturePath(lighting ? LitPictureFile : UnlitPictureFile));
    // Without its picture the dot keeps its state, so state, byte, label and
    // picture still agree.
    if (!picture.ok()) {
        emit pictureFailed(picture.error);
        return;
    }
    m_cells.setCell(column, weight, picture.pixmap, lighting);
    m_grid.toggle(column, weight);
    m_labels[std::size_t(column - 1)]->setText(DotGrid::columnLabel(m_grid.columnByte(column)));
}

void DotEditor::clearAll()
{
    m_grid.clearStates();
    // Every cell reads the file anew. When it cannot be read the editor is
    // still cleared, as asked, with the built-in unlit dot (an empty picture), and the failure
    // is told once.
    QString failure;
    for (int column = 1; column <= DotGrid::ColumnCount; ++column) {
        for (int weight : {1, 2, 4, 8, 16, 32, 64, 128}) {
            QPixmap shown;
            if (failure.isEmpty()) {
                const PictureLoader::Result picture = PictureLoader::load(picturePath(UnlitPictureFile));
                if (picture.ok())
                    shown = picture.pixmap;
                else
                    failure = picture.error;
            }
            m_cells.setCell(column, weight, shown, false);
        }
    }
    m_grid.clearBytes();
    for (QLabel *label : m_labels)
        label->setText(QStringLiteral("0"));
    if (!failure.isEmpty())
        emit pictureFailed(failure);
}

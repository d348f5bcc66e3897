#include "ListBox.h"

#include <QLineEdit>

ListBox::ListBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // When editing ends (the field loses focus, Return), QComboBox selects the
    // entry whose text equals the field's, as if the user had chosen it. Typed
    // text must leave no list position, so only the drop-down, the arrow keys
    // and the wheel choose; the field keeps what was typed.
    QObject::disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    QObject::disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    connect(this, &QComboBox::activated, this, [this](int index) { m_listIndex = index; });
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { m_listIndex = index; });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_listIndex = -1; });
}

bool ListBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        return false;
    setCurrentIndex(index);
    m_listIndex = index;
    return true;
}

int ListBox::entryIndex() const
{
    if (m_listIndex >= 0)
        return m_listIndex;
    return findText(currentText().trimmed(), Qt::MatchExactly);
}

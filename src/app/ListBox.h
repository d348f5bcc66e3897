#pragma once

#include <QComboBox>

// An editable drop-down list whose choice is read by list position. Typing
// in its field leaves it with no list position (-1) until an entry is chosen
// again; selecting by code triggers nothing of the program's own.
class ListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    int listIndex() const { return m_listIndex; }
    // Selects an entry, or none with -1; an index beyond the last is refused.
    bool setListIndex(int index);

    // The list position a command acts on: the chosen entry, or else the
    // entry whose text equals what was typed; -1 when there is neither.
    int entryIndex() const;

private:
    int m_listIndex = -1;
};

#include "DotGrid.h"

#include <algorithm>

bool DotGrid::isWeight(int weight)
{
    return std::find(RowWeights.begin(), RowWeights.end(), weight) != RowWeights.end();
}

bool DotGrid::isOn(int column, int weight) const
{
    return m_dotState[std::size_t(column - 1)][std::size_t(weight)] != 0;
}

void DotGrid::toggle(int column, int weight)
{
    qint16 &state = m_dotState[std::size_t(column - 1)][std::size_t(weight)];
    state = state == 0 ? -1 : 0;
    // XOR both ways keeps the byte equal to the sum of the lit weights.
    m_bitmapData[std::size_t(column - 1)] ^= quint8(weight);
}

void DotGrid::clearStates()
{
    for (std::size_t i = 0; i < 129; ++i)
        for (auto &column : m_dotState)
            column[i] = 0;
}

void DotGrid::clearBytes()
{
    m_bitmapData.fill(0);
}

QString DotGrid::columnLabel(quint8 value)
{
    return QString::number(value, 16).toUpper();
}

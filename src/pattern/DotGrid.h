#pragma once

#include <QString>

#include <array>

// The 8 x 8 pattern being drawn: one byte per column, and for every column a
// state table indexed directly by a dot's bit weight (0 off, -1 on).
class DotGrid
{
public:
    static constexpr int ColumnCount = 8;
    // Bit weights of the rows from top to bottom: each half of the grid holds
    // four bits of the column byte with its lowest bit on top.
    static constexpr std::array<int, 8> RowWeights{16, 32, 64, 128, 1, 2, 4, 8};

    static bool isWeight(int weight);

    // column is 1 .. 8, weight one of RowWeights.
    bool isOn(int column, int weight) const;
    void toggle(int column, int weight);
    quint8 columnByte(int column) const { return m_bitmapData[std::size_t(column - 1)]; }
    const std::array<quint8, 8> &bitmapData() const { return m_bitmapData; }

    void clearStates();
    void clearBytes();

    // The caption of a column label: upper-case hex without leading zeros.
    static QString columnLabel(quint8 value);

private:
    std::array<std::array<qint16, 129>, 8> m_dotState{};
    std::array<quint8, 8> m_bitmapData{};
};

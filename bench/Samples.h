#pragma once

#include <vector>

// Repeated readings of one figure.
class Samples
{
public:
    void add(double value) { m_values.push_back(value); }
    int count() const { return int(m_values.size()); }

    double median() const;
    // Nearest rank: the smallest reading that at least `fraction` of all
    // readings do not exceed. 0 when there are none.
    double percentile(double fraction) const;

private:
    std::vector<double> sorted() const;

    std::vector<double> m_values;
};

#include "Samples.h"

#include <algorithm>
#include <cmath>

std::vector<double> Samples::sorted() const
{
    std::vector<double> values = m_values;
    std::sort(values.begin(), values.end());
    return values;
}

double Samples::median() const
{
    const std::vector<double> values = sorted();
    const std::size_t n = values.size();
    if (n == 0)
        return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Samples::percentile(double fraction) const
{
    const std::vector<double> values = sorted();
    if (values.empty())
        return 0;
    const auto rank = std::size_t(std::ceil(fraction * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

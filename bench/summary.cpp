#include "summary.h"

#include <math.h>

#include <algorithm>

Summary Summarize(std::vector<double> values)
{
    Summary summary = {0, 0, 0, 0, 0, 0};
    summary.count = (int)values.size();
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    summary.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    summary.p95 = values[(size_t)ceil(0.95 * (double)n) - 1];
    summary.p99 = values[(size_t)ceil(0.99 * (double)n) - 1];
    summary.min = values.front();
    summary.max = values.back();
    return summary;
}

// The summary of a series of timings, as the benchmarks report them.
#ifndef PUKAVRO_BENCH_SUMMARY_H
#define PUKAVRO_BENCH_SUMMARY_H

#include <vector>

struct Summary {
    int count;
    double median;
    double p95;  // nearest rank
    double p99;  // nearest rank
    double min;
    double max;
};

Summary Summarize(std::vector<double> values);

#endif

// Where a capture's time goes: the clicks and sightings of capture_latency
// lined up with the steps the floor program noted itself (its "stamps").
// Both read the same performance counter, so the times compare directly.
#ifndef PUKAVRO_BENCH_STAGES_H
#define PUKAVRO_BENCH_STAGES_H

#include <vector>

struct Click {
    double clicked;  // ms of the performance counter
    double seen;     // -1 when the picture never came
    bool counted;
};

// Reads the floor's notes from csv_path (one line per capture it started,
// in order, as capture_floor writes them) and prints the median of each
// step over the counted clicks. 0, or -1 when the notes do not match.
int ReportStages(const char *name, const char *csv_path, const std::vector<Click> &clicks);

#endif

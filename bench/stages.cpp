#include "stages.h"

#include <stdio.h>

#include "summary.h"

namespace {

// The columns of capture_floor's notes, in order.
enum { COMMAND, DISABLED, WORKER, REQUESTED, HANDLER, PAINTED, ENABLED, COLUMNS };

// Each step ends at one column and starts at the one before (the first at
// the click); the last runs from the handler's end to the sighting.
const char *const STEP_NAMES[COLUMNS + 1] = {
    "click to command", "disable buttons",   "thread start",   "camera requests",
    "notice",           "convert and paint", "enable buttons", "to the screen",
};

}  // namespace

int ReportStages(const char *name, const char *csv_path, const std::vector<Click> &clicks)
{
    FILE *file = fopen(csv_path, "r");
    if (file == NULL)
        return -1;
    char header[200];
    if (fgets(header, sizeof header, file) == NULL) {
        fclose(file);
        return -1;
    }
    std::vector<double> steps[COLUMNS + 1];
    size_t row = 0;
    double t[COLUMNS];
    while (fscanf(file, "%lf,%lf,%lf,%lf,%lf,%lf,%lf", &t[COMMAND], &t[DISABLED], &t[WORKER],
                  &t[REQUESTED], &t[HANDLER], &t[PAINTED], &t[ENABLED])
           == COLUMNS) {
        if (row >= clicks.size())
            break;
        const Click &click = clicks[row++];
        if (!click.counted || click.seen < 0)
            continue;
        steps[0].push_back(t[COMMAND] - click.clicked);
        for (int i = 1; i < COLUMNS; i++)
            steps[i].push_back(t[i] - t[i - 1]);
        steps[COLUMNS].push_back(click.seen - t[ENABLED]);
    }
    fclose(file);
    if (row != clicks.size()) {
        fprintf(stderr, "capture_latency: %s noted %u captures for %u clicks\n", name,
                (unsigned)row, (unsigned)clicks.size());
        return -1;
    }
    printf("stages %s (medians, ms):", name);
    for (int i = 0; i <= COLUMNS; i++)
        printf("%s %s %.2f", i ? "," : "", STEP_NAMES[i], Summarize(steps[i]).median);
    printf("\n");
    return 0;
}

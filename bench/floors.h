// The floor programs' window classes, by which the benchmark drivers find
// their windows, and where the capture floor leaves its notes.
#ifndef PUKAVRO_BENCH_FLOORS_H
#define PUKAVRO_BENCH_FLOORS_H

#include <stdio.h>
#include <string.h>

#define CAPTURE_FLOOR_CLASS "PKCAPTUREFLOOR"
#define STARTUP_FLOOR_CLASS "PKSTARTFLOOR"

// The notes of the capture floor placed at x: beside the floor's own program
// file, in the build tree, whichever folder it runs in.
inline void FloorNotesPath(const char *floor_program, int x, char *path, size_t size)
{
    const char *end = strrchr(floor_program, '\\');
    const char *slash = strrchr(floor_program, '/');
    if (slash != NULL && (end == NULL || slash > end))
        end = slash;
    int folder = end != NULL ? (int)(end - floor_program + 1) : 0;
    snprintf(path, size, "%.*scapture_floor_%d.csv", folder, floor_program, x);
}

#endif

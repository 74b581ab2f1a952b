// The floor programs' window classes, by which the benchmark drivers find
// their windows.
#ifndef PUKAVRO_BENCH_FLOORS_H
#define PUKAVRO_BENCH_FLOORS_H

#define CAPTURE_FLOOR_CLASS "PKCAPTUREFLOOR"
#define STARTUP_FLOOR_CLASS "PKSTARTFLOOR"

#endif

// The clock of tests and benchmarks: the performance counter, which every
// program on the machine reads alike, so times noted by two programs
// compare directly.
#ifndef PUKAVRO_TESTS_CLOCK_H
#define PUKAVRO_TESTS_CLOCK_H

// Milliseconds from an arbitrary origin, sub-millisecond resolution.
double NowMs();

#endif

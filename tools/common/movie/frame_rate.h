// The playback rate of a movie as an exact fraction, and the parser of the
// rate a user writes ("12.5", "29.97").
#ifndef PUKAVRO_FRAME_RATE_H
#define PUKAVRO_FRAME_RATE_H

#include <stdint.h>

#include <string>

// Frames per second = rate / scale, as AVI's dwRate and dwScale.
struct FrameRate {
    uint32_t rate;
    uint32_t scale;
};

enum FrameRateParse {
    FRAME_RATE_PARSED,
    FRAME_RATE_NOT_A_DECIMAL,      // not digits with at most one point inside
    FRAME_RATE_TOO_MANY_DECIMALS,  // more than three digits after the point
    FRAME_RATE_OUT_OF_RANGE,       // below 0.001 or above 1000
};

// A decimal from 0.001 to 1000 with at most three decimals, as the exact
// reduced fraction ("12.5" is 25/2), except the broadcast rates 23.976, 29.97
// and 59.94, which mean 24000/1001, 30000/1001 and 60000/1001. *rate is set
// only when the text parses.
FrameRateParse ParseFrameRate(const char *text, FrameRate *rate);

// The usage problem of an option (as given) whose text does not parse.
std::string FrameRateProblem(const std::string &option, const char *text);

// The mean rate of frames that arrived over span_us microseconds (from the
// first to the last), to the thousandth of a frame per second and within
// the range above, reduced; fallback for fewer than two frames.
FrameRate MeasuredFrameRate(uint32_t frames, int64_t span_us, FrameRate fallback);

#endif

// The time stamp's format (--stamp): the numeric conversions of strftime,
// %Y %m %d %H %M %S %j and %%, the frame's {n} and {ms}, the {camera}, and
// literal printable ASCII ({{ and }} for braces). Names of months and days
// are refused: the font draws ASCII only, and they would change with the
// language. Platform-free.
#ifndef PUKAVRO_STAMP_TEXT_H
#define PUKAVRO_STAMP_TEXT_H

#include <stdint.h>

#include <string>
#include <vector>

#include "capture_moment.h"

enum StampPartKind {
    STAMP_LITERAL,
    STAMP_YEAR,     // %Y: four digits
    STAMP_MONTH,    // %m
    STAMP_DAY,      // %d
    STAMP_HOUR,     // %H
    STAMP_MINUTE,   // %M
    STAMP_SECOND,   // %S
    STAMP_YEARDAY,  // %j: three digits
    STAMP_NUMBER,   // {n}: the frame number
    STAMP_MS,       // {ms}: three digits
    STAMP_CAMERA,   // {camera}
};

struct StampPart {
    StampPartKind kind;
    std::string text;  // STAMP_LITERAL only
};

typedef std::vector<StampPart> StampFormat;

// What a stamp's text is made of, besides the format.
struct StampFacts {
    CaptureMoment moment;
    int64_t number;
    std::string camera;
};

enum StampFormatResult { STAMP_FORMAT_READ, STAMP_FORMAT_REFUSED };

// Reads a format. On STAMP_FORMAT_REFUSED, problem names the conversion,
// placeholder or character it does not take.
StampFormatResult ParseStampFormat(const std::string &text, StampFormat *format,
                                   std::string *problem);

// The text of the stamp for facts.
std::string StampText(const StampFormat &format, const StampFacts &facts);

// The most characters the format makes: with frame numbers up to
// highest_number, and camera as {camera}'s text.
int LongestStamp(const StampFormat &format, int64_t highest_number, const std::string &camera);

#endif

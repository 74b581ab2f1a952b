// The OUTPUT pattern: the name of each saved frame, made from the frame's
// number and the local time it arrived. Platform-free.
#ifndef PUKAVRO_KAVROCAP_PATTERN_H
#define PUKAVRO_KAVROCAP_PATTERN_H

#include <stdint.h>

#include <string>
#include <vector>

enum PatternPartKind {
    PART_TEXT,    // literal characters
    PART_NUMBER,  // {n}, {n:0W}, %d, %0Wd
    PART_DATE,    // {date}: YYYYMMDD
    PART_TIME,    // {time}: HHMMSS
    PART_MS,      // {ms}: three-digit milliseconds
};

enum { PATTERN_MAX_WIDTH = 9 };  // {n:09} at most

struct PatternPart {
    PatternPartKind kind;
    std::string text;  // PART_TEXT only
    int width;         // PART_NUMBER: zero-padded to this many digits, 0 for none
};

// Placeholders stand only in the file name; the folder before it is plain
// text that must already exist.
struct NamePattern {
    std::string folder;  // up to and including the last separator, unescaped; "" for here
    std::vector<PatternPart> name;
    int has_number;
    int has_time;   // {time}: names of one run differ at least by the second
    int has_ms;     // {ms}
    int has_clock;  // {date}, {time} or {ms}: names known only when frames arrive
};

// Local time at the moment a frame arrived.
struct FrameTime {
    int year, month, day, hour, minute, second, milliseconds;
};

enum NameResult { NAME_ACCEPTED, NAME_REFUSED };

// Reads a pattern. On NAME_REFUSED, problem says what is wrong with it (an
// unknown {...} or % sequence, a placeholder in the folder, a character or
// name no Windows file can have).
NameResult ParseNamePattern(const char *text, NamePattern *pattern, std::string *problem);

// The full path (folder included) of frame number at time.
std::string FormatOutputName(const NamePattern &pattern, int64_t number, const FrameTime &time);

// true with *number set when the file name (no folder) is one the pattern
// makes, letter case aside (Windows names ignore it). A pattern with no
// number matches with *number 0.
bool MatchOutputName(const NamePattern &pattern, const char *name, int64_t *number);

// The number to give the next frame so that nothing in names already used by
// the pattern is taken again: one more than the highest, 1 when none match.
int64_t NumberAfterExisting(const NamePattern &pattern, const std::vector<std::string> &names);

// Whether a file in a Windows folder can be called name (no folder part); on
// NAME_REFUSED problem says why not: characters Windows refuses, a trailing
// dot or space, a reserved device name (CON, NUL, COM1, ...).
NameResult CheckFileName(const std::string &name, std::string *problem);

#endif

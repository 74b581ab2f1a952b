// Letter case aside, as Windows compares file names and as our options take
// their words. ASCII letters only: other characters compare as they are.
#ifndef PUKAVRO_NO_CASE_H
#define PUKAVRO_NO_CASE_H

#include <stddef.h>

// The first length characters of a and b are the same letters (neither may
// end sooner).
bool SameNoCase(const char *a, const char *b, size_t length);
bool EqualNoCase(const char *a, const char *b);
bool EndsWithNoCase(const char *text, const char *suffix);

#endif

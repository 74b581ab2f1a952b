// How every tool of ours tells what went wrong: one line on its error
// stream, its own name first, "kavrocap: frame 2: request failed".
#ifndef PUKAVRO_REPORT_H
#define PUKAVRO_REPORT_H

#include <stdio.h>

#include <string>

void Report(FILE *err, const char *tool, const std::string &text);

#endif

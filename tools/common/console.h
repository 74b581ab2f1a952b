// Text for a person at the console: UTF-8 throughout, shown as characters on
// a Windows console whatever its code page.
#ifndef PUKAVRO_CONSOLE_H
#define PUKAVRO_CONSOLE_H

#include <stdio.h>

#include <string>

// Prints UTF-8 text: to a Windows console as UTF-16, so the console shows the
// characters themselves; to anything else the UTF-8 bytes as they are.
void PrintUtf8(FILE *stream, const char *text);

// One line of text, "\n" added, written out at once: a log file or a pipe
// has each line when it happens, not when the run ends.
void PrintLine(FILE *stream, const std::string &line);

#endif

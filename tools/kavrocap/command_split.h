// A Windows command line in arguments and back, by the rules
// CommandLineToArgvW follows (and the C runtime's argv, but for a doubled
// quote inside quotes), so that what --exec checks of a command is what the
// program it starts reads. Platform-free.
#ifndef PUKAVRO_KAVROCAP_COMMAND_SPLIT_H
#define PUKAVRO_KAVROCAP_COMMAND_SPLIT_H

#include <string>
#include <vector>

// The arguments of command_line (UTF-8). The first, the program, ends at
// the first space or tab, or if it starts with a quote at the next quote,
// backslashes taken as they are; in the others 2n backslashes before a quote
// are n and the quote opens or closes a quoted part, 2n + 1 are n and a
// quote, other backslashes are themselves, and three quotes in a row within
// a quoted part are one quote.
std::vector<std::string> SplitCommandLine(const std::string &command_line);

// argument as a command line writes it so that SplitCommandLine (and every
// Windows program) reads it back unchanged as one argument after the first.
std::string QuoteArgument(const std::string &argument);

// Whether the program is cmd.exe or would be run by it, which reads & | < >
// ^ and % in its arguments as commands of its own: cmd or cmd.exe itself, a
// name ending in .bat or .cmd (any letter case; trailing dots and spaces,
// which Windows drops, aside).
bool GoesThroughCmd(const std::string &program);

#endif

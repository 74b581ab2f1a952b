// The program's arguments as UTF-8, whatever the ANSI code page.
#ifndef PUKAVRO_COMMAND_LINE_H
#define PUKAVRO_COMMAND_LINE_H

#include <string>
#include <vector>

enum ArgumentsResult { ARGUMENTS_READ, ARGUMENTS_UNREADABLE };

// The program's arguments as UTF-8, the program's name first. Windows reads
// the UTF-16 command line (argv has already lost what the ANSI code page
// cannot hold) and splits it as the C runtime splits argv, wildcards left
// as they are; elsewhere a copy of argv.
ArgumentsResult GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args);

#endif

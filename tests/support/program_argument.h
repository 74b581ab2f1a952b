// The program a test runs against, named on the test's own command line:
//     TEST.exe PATH\TO\PROGRAM.exe [GoogleTest options]
#ifndef PUKAVRO_SUPPORT_PROGRAM_ARGUMENT_H
#define PUKAVRO_SUPPORT_PROGRAM_ARGUMENT_H

#include <string>

// The one argument that is not a GoogleTest option, read from the wide
// command line so that any name survives, made absolute (the program runs
// in a folder of its own) and checked to exist: 0 with *path in UTF-8, or
// -1 after printing a usage line naming expected (e.g. "PUKAVRO.EXE").
int ProgramArgument(const char *expected, std::string *path);

#endif

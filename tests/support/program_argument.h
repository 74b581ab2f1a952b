// What a test program is given: the program it runs against, named on its
// own command line,
//     TEST.exe PATH\TO\PROGRAM.exe [GoogleTest options]
// and numbers from the environment that repeat another run (a soak's seed
// and length).
#ifndef PUKAVRO_SUPPORT_PROGRAM_ARGUMENT_H
#define PUKAVRO_SUPPORT_PROGRAM_ARGUMENT_H

#include <stdint.h>

#include <string>

// The one argument that is not a GoogleTest option, read from the wide
// command line so that any name survives, made absolute (the program runs
// in a folder of its own) and checked to exist: 0 with *path in UTF-8, or
// -1 after printing a usage line naming expected (e.g. "PUKAVRO.EXE").
int ProgramArgument(const char *expected, std::string *path);
// The same for count programs, in their order (expected names them all, as
// "KAVROCAP.EXE KAVROVIEW.EXE").
int ProgramArguments(const char *expected, int count, std::string *paths);
// The same, made absolute but not checked: files that a build step may not
// have written, which the test itself looks for.
int PathArguments(const char *expected, int count, std::string *paths);

// The environment variable name as a number (decimal, or 0x... hex), or
// otherwise when it is unset or empty.
uint32_t EnvironmentNumber(const char *name, uint32_t otherwise);

#endif

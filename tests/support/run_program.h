// A console program run to its end, as a script would run it: a command
// line, what it reads on standard input, what it writes on standard output
// and standard error, and its exit code.
#ifndef PUKAVRO_TESTS_RUN_PROGRAM_H
#define PUKAVRO_TESTS_RUN_PROGRAM_H

#include <windows.h>

#include <string>

struct ProgramRun {
    DWORD exit_code;
    std::string out;
    std::string err;
    int timed_out;  // 1 when it was still running after the time allowed
};

// Runs a console program with a UTF-16 command line in directory (NULL:
// the current one), stdin from stdin_bytes (NULL: empty), stdout and stderr
// captured whole, bounded by timeout_ms (then terminated, timed_out = 1).
// 0, or -1 when it could not be started.
int RunProgram(const wchar_t *command_line, const wchar_t *directory,
               const std::string *stdin_bytes, DWORD timeout_ms, ProgramRun *run);

#endif

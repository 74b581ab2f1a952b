// ffmpeg.exe, a Windows program written by others, as a consumer of ours
// under Wine: scripts/build-ffmpeg.sh builds it from Debian's own source and
// writes its Unix path into a file, which the test is given. Where there is
// none (the build had no network), the test says so and is skipped.
#ifndef PUKAVRO_TESTS_OUTSIDE_FFMPEG_H
#define PUKAVRO_TESTS_OUTSIDE_FFMPEG_H

#include <windows.h>

#include <string>
#include <vector>

#include "run_program.h"

enum FfmpegLookup { FFMPEG_FOUND, FFMPEG_MISSING };

// Reads the path file (a Windows path): FFMPEG_FOUND with *exe the Windows
// path of the ffmpeg.exe it names, or FFMPEG_MISSING with *why.
FfmpegLookup FindFfmpeg(const std::string &path_file, std::string *exe, std::string *why);

// The exit code of a test program that did not run; CTest, told it as
// SKIP_RETURN_CODE, reports the test as skipped.
enum { NOT_RUN_EXIT_CODE = 77 };
// Prints "not run: no ffmpeg.exe (why)" and gives NOT_RUN_EXIT_CODE.
int NotRunWithoutFfmpeg(const std::string &why);

// Runs exe with arguments (UTF-8, each quoted here as Windows programs
// split them) in directory, standard output and error captured whole, no
// input, ended after timeout_ms. 0, or -1 when it could not be started.
int RunFfmpeg(const std::string &exe, const std::vector<std::string> &arguments,
              const std::string &directory, DWORD timeout_ms, ProgramRun *run);

// ffmpeg's log as lines, each without its "\r" and without the
// "[component @ 0000000000123abc] " that starts the lines of component:
// the text as a user reads it, without the address that changes each run.
std::vector<std::string> LogLines(const std::string &log, const char *component);

#endif

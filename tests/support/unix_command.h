// Programs of the machine Wine runs on (ffmpeg, ffprobe), started from a
// Windows test: readers written by others, checking our files where they
// were written. Wine starts a Unix program as it starts a Windows one, but
// cannot wait for it or tell its exit status, so the shell writes both.
#ifndef PUKAVRO_TESTS_UNIX_COMMAND_H
#define PUKAVRO_TESTS_UNIX_COMMAND_H

#include <windows.h>

#include <string>

// The Unix path of a Windows one, and back; "" outside Wine.
std::string UnixPath(const std::string &windows_path);
std::string WindowsPath(const std::string &unix_path);

// Runs command with /bin/sh, standard output and error into output; its exit
// status, or -1 when it could not be run or did not end within timeout_ms.
// scratch is a Windows folder for the files it needs.
int RunUnixCommand(const std::string &command, const std::string &scratch, DWORD timeout_ms,
                   std::string *output);

// A path in single quotes for the shell.
std::string ShellQuoted(const std::string &path);

#endif

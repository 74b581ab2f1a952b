// kavrocam.exe: installs the camera filter beside it for all users or for
// one, takes it away again and tells what is installed. A library with a
// thin main, like the other tools.
#ifndef PUKAVRO_INSTALLER_H
#define PUKAVRO_INSTALLER_H

#include <stdio.h>

#include <string>
#include <vector>

#include "exit_status.h"

#define KAVROCAM_NAME "kavrocam"

extern const char KAVROCAM_HELP[];

// args as GetUtf8Arguments gives them, the program's name first; folder is
// where the DLLs are looked for (kavrocam.exe's own folder).
ExitStatus RunInstaller(const std::vector<std::string> &args, const std::wstring &folder, FILE *out,
                        FILE *err);

// The folder of the running program, without its final backslash.
std::wstring ProgramFolder();

#endif

// The files already in the OUTPUT pattern's folder, on Windows and POSIX
// alike (names UTF-8).
#ifndef PUKAVRO_KAVROCAP_EXISTING_FILES_H
#define PUKAVRO_KAVROCAP_EXISTING_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "pattern.h"

// Whether folder ("" for the current one) is an existing folder.
bool FolderExists(const std::string &folder);

// Whether anything (a file, a folder) has that path.
bool PathTaken(const std::string &path);

// The names in folder ("" for the current one, else ending in a
// separator), without "." and "..".
std::vector<std::string> FolderNames(const std::string &folder);

// The path of the first file (lowest number) among the names of numbers
// first to first + count - 1 that already exists; "" when none does.
std::string FirstExistingName(const NamePattern &pattern, int64_t first, int64_t count);

#endif

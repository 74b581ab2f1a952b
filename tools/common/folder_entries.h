// What a folder holds, on Windows and POSIX alike (names UTF-8).
#ifndef PUKAVRO_TOOLS_FOLDER_ENTRIES_H
#define PUKAVRO_TOOLS_FOLDER_ENTRIES_H

#include <string>
#include <vector>

// Whether folder ("" for the current one) is an existing folder.
bool FolderExists(const std::string &folder);

// Whether anything (a file, a folder) has that path.
bool PathTaken(const std::string &path);

// The names in folder ("" for the current one, else ending in a
// separator), without "." and "..".
std::vector<std::string> FolderNames(const std::string &folder);

#endif

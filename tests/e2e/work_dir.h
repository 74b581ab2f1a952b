// The program's working directory: a fresh, empty temporary folder per test,
// where its saved frames land, and ways to look at what it holds.
#ifndef PUKAVRO_E2E_WORK_DIR_H
#define PUKAVRO_E2E_WORK_DIR_H

#include <stdint.h>

#include <string>
#include <vector>

// Creates an empty folder under the temporary directory; 0 or -1.
int MakeWorkDirectory(std::string *directory);

// Removes the folder with the files and empty folders in it; 0 or -1.
int RemoveWorkDirectory(const std::string &directory);

// The names in the folder, sorted, without "." and "..".
std::vector<std::string> ListDirectory(const std::string &directory);

std::string PathIn(const std::string &directory, const char *name);

// The whole file; 0, or -1 when it cannot be read.
int ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes);

#endif

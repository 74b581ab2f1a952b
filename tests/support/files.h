// Files and folders for tests and benchmarks, natively and under Wine. Paths
// are UTF-8 throughout; on Windows they become UTF-16 only at the system's
// interface, so any name reaches the files as it was written.
#ifndef PUKAVRO_TESTS_FILES_H
#define PUKAVRO_TESTS_FILES_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Creates a fresh, empty folder under the system's temporary folder and
// gives its path. 0 or -1.
int MakeTempFolder(std::string *folder);

// Removes the folder with everything in it. 0, or -1 when anything stayed.
int RemoveFolder(const std::string &folder);

// The names in the folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string &folder);

// folder, the system's separator, name.
std::string PathIn(const std::string &folder, const char *name);

// 1 when something (a file or a folder) has that name, else 0.
int PathExists(const std::string &path);

// The whole file. 0, or -1 when it cannot be read (bytes is then empty).
int ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes);

// Creates or replaces the file with exactly these bytes. 0 or -1.
int WriteFileBytes(const std::string &path, const void *bytes, size_t length);

#ifdef _WIN32
// UTF-8 to UTF-16 and back.
std::wstring ToUtf16(const std::string &text);
std::string FromUtf16(const std::wstring &text);
#endif

#endif

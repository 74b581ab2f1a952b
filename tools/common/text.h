// Names and text in our tools are UTF-8 everywhere; on Windows they become
// UTF-16 only where they meet the system, so any name works whatever the
// ANSI code page.
#ifndef PUKAVRO_TEXT_H
#define PUKAVRO_TEXT_H

#include <stdio.h>

#include <string>
#include <vector>

// fopen with a UTF-8 name (the wide _wfopen on Windows). NULL with errno set
// when it fails.
FILE *OpenUtf8(const char *path, const char *mode);

// The program's arguments as UTF-8, the program's name first. Windows reads
// the UTF-16 command line (argv has already lost what the ANSI code page
// cannot hold); elsewhere a copy of argv. 0, or -1 when it cannot be read.
int GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args);

// Prints UTF-8 text: to a Windows console as UTF-16, so the console shows the
// characters themselves; to anything else the UTF-8 bytes as they are.
void PrintUtf8(FILE *stream, const char *text);

#ifdef _WIN32
std::wstring WidenUtf8(const char *text);
std::string NarrowToUtf8(const wchar_t *text);
#endif

#endif

// Names and text in our tools are UTF-8 everywhere; on Windows they become
// UTF-16 only where they meet the system, so any name works whatever the
// ANSI code page.
#ifndef PUKAVRO_UTF8_NAMES_H
#define PUKAVRO_UTF8_NAMES_H

#include <stdio.h>

#include <string>

// fopen with a UTF-8 name (the wide _wfopen on Windows). NULL with errno set
// when it fails.
FILE *OpenUtf8(const char *path, const char *mode);

#ifdef _WIN32
std::wstring WidenUtf8(const char *text);
std::string NarrowToUtf8(const wchar_t *text);
#endif

#endif

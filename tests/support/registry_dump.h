// A registry subtree as text, one line per key and per value in the
// order the registry gives them, so that two moments of it compare as
// strings: what an installer wrote, and that an uninstall left nothing.
#ifndef PUKAVRO_TESTS_REGISTRY_DUMP_H
#define PUKAVRO_TESTS_REGISTRY_DUMP_H

#include <windows.h>

#include <string>

// A "KEY\SUBKEY" line, then a "KEY\SUBKEY  name=type:value" line for each
// value (binary in hex; sorted), then its subkeys the same way; ""
// when path does not exist. view: 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
std::string DumpRegistry(HKEY root, const wchar_t *path, REGSAM view);

// The lines of after that are not in before, in after's order, each once
// (a view that is the other's own gives them twice) and ended by "\n".
std::string AddedLines(const std::string &before, const std::string &after);

#endif

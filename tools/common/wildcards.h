// Windows-style wildcards in input names. cmd.exe hands "*.bin" to the
// program as it is, so Windows console tools expand their inputs themselves;
// a Unix shell has already done it.
#ifndef PUKAVRO_WILDCARDS_H
#define PUKAVRO_WILDCARDS_H

#include <string>
#include <vector>

// Appends to names the files an input argument stands for (UTF-8).
// Windows: an argument with '*' or '?' in its last part is matched with
// FindFirstFileW; the files (not folders) that match are taken in
// NaturalNameBefore's order, each with the folder the argument gave. A name without wildcards
// is taken as it is. A pattern that matches no file is -1, with problem
// (may be NULL) naming the pattern. Elsewhere the argument as it is.
// Returns 0 or -1.
int ExpandWildcards(const char *argument, std::vector<std::string> *names, std::string *problem);

// The order of names people expect of numbered files: runs of digits
// compare as numbers (kavro999.bin before kavro1000.bin), letters without
// regard to case (ASCII ones; other characters by their UTF-8 bytes); names
// equal so (kavro01, kavro1; a.bin, A.bin) byte by byte, so that no two
// names tie.
bool NaturalNameBefore(const std::string &a, const std::string &b);

#endif

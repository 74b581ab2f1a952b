// The files of a run's numbers already in the OUTPUT pattern's folder.
#ifndef PUKAVRO_KAVROCAP_EXISTING_FILES_H
#define PUKAVRO_KAVROCAP_EXISTING_FILES_H

#include <stdint.h>

#include <string>

#include "pattern.h"

// The path of the first file (lowest number) among the names of numbers
// first to first + count - 1 that already exists; "" when none does.
std::string FirstExistingName(const NamePattern &pattern, int64_t first, int64_t count);

#endif

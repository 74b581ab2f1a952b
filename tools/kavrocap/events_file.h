// The file --events writes: created under its own name at the start, so a
// script can follow it as it grows, and, like every output of kavrocap,
// never over an existing file unless --overwrite.
#ifndef PUKAVRO_KAVROCAP_EVENTS_FILE_H
#define PUKAVRO_KAVROCAP_EVENTS_FILE_H

#include <stdio.h>

#include <string>

enum EventsFileResult { EVENTS_FILE_OPEN, EVENTS_FILE_EXISTS, EVENTS_FILE_FAILED };

// Opens path (UTF-8) for writing as *file: a new file, or with replace an
// existing one emptied. EVENTS_FILE_EXISTS when it exists and !replace; on
// EVENTS_FILE_FAILED (a folder of that name among them) reason says why.
EventsFileResult OpenEventsFile(const std::string &path, bool replace, FILE **file,
                                std::string *reason);

#endif

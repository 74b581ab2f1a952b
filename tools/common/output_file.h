// Output files that appear under their name complete or not at all.
#ifndef PUKAVRO_OUTPUT_FILE_H
#define PUKAVRO_OUTPUT_FILE_H

#include <stddef.h>

#include <string>

enum { OUTPUT_WRITTEN = 0, OUTPUT_FAILED = -1, OUTPUT_EXISTS = -2 };

// Writes all of data to path (UTF-8) so that the file appears under that
// name complete or not at all: a temporary file in the same folder, written
// and closed (handed to the system, not flushed to the disk), then renamed
// into place. replace != 0: an existing file is replaced by a new one, which
// keeps none of the old one's permissions or hard links, and a symbolic link
// is replaced rather than written through. replace == 0: the rename itself
// refuses an existing name (OUTPUT_EXISTS), so a file that appears meanwhile
// is never lost. An existing folder, device or pipe of that name is never
// replaced. On any failure the temporary file is removed and an existing
// file of that name is left exactly as it was; reason (may be NULL) gets a
// short English reason on OUTPUT_FAILED, e.g. "No space left on device".
int WriteWholeFile(const char *path, const void *data, size_t length, int replace,
                   std::string *reason);

// The same for a file written by other means (a movie, written in place as it
// grows): StartOutputFile creates an empty temporary file beside path, after
// the checks WriteWholeFile makes of an existing path, and names it in
// *temporary; the caller writes and closes it, then FinishOutputFile renames
// it into place. On any failure of FinishOutputFile, or when the caller gives
// up (RemoveOutputFile), the temporary file is removed. Same results and
// reasons as WriteWholeFile.
int StartOutputFile(const char *path, int replace, std::string *temporary, std::string *reason);
int FinishOutputFile(const std::string &temporary, const char *path, int replace,
                     std::string *reason);
void RemoveOutputFile(const std::string &temporary);

#endif

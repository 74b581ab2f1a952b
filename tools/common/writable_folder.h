// Whether a folder takes new files, found out by making one: permissions,
// read-only media and quotas all answer the same way, which no look at the
// folder's attributes can promise.
#ifndef PUKAVRO_WRITABLE_FOLDER_H
#define PUKAVRO_WRITABLE_FOLDER_H

#include <string>

enum FolderAccess { FOLDER_TAKES_FILES, FOLDER_REFUSES_FILES };

// Creates a file of a temporary name in folder ("" for the current one,
// else ending in a separator; UTF-8) and removes it again. On
// FOLDER_REFUSES_FILES, reason says why, e.g. "Permission denied".
FolderAccess CheckFolderTakesFiles(const std::string &folder, std::string *reason);

#endif

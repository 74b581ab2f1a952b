// --token-file: the token read from its file, or a new random one written
// to a new file only the user can read. Windows only.
#ifndef PUKAVRO_KAVROSERVE_TOKEN_FILE_H
#define PUKAVRO_KAVROSERVE_TOKEN_FILE_H

#include <string>

enum TokenFileResult { TOKEN_FILE_READ, TOKEN_FILE_CREATED, TOKEN_FILE_FAILED };

// Reads path's token; a missing file is created (never over another that
// appears meanwhile) with 32 random bytes as 64 hex digits and a DACL
// granting the current user alone. On TOKEN_FILE_FAILED problem says why.
TokenFileResult LoadTokenFile(const std::string &path, std::string *token, std::string *problem);

#endif

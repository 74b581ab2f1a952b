#include "token_file.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "system_error.h"
#include "token_text.h"
#include "utf8_names.h"

namespace {

const DWORD MOST_FILE_BYTES = 4096;  // a token file is one short line
const size_t NEW_TOKEN_BYTES = 32;

enum ReadOutcome { READ_DONE, READ_MISSING, READ_FAILED };

ReadOutcome ReadSmallFile(const std::wstring &path, std::string *text, std::string *problem)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return READ_MISSING;
        *problem = WindowsErrorText(error);
        return READ_FAILED;
    }
    std::vector<char> bytes(MOST_FILE_BYTES);
    DWORD got = 0;
    BOOL read = ReadFile(file, bytes.data(), MOST_FILE_BYTES, &got, NULL);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) {
        *problem = WindowsErrorText(error);
        return READ_FAILED;
    }
    text->assign(bytes.data(), got);
    return READ_DONE;
}

// A descriptor whose DACL grants the current user everything and nobody
// else anything, inherited from nowhere; its SID and ACL live in user and acl_bytes.
bool OwnerOnly(SECURITY_DESCRIPTOR *descriptor, std::vector<uint8_t> *user,
               std::vector<uint8_t> *acl_bytes)
{
    HANDLE process_token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &process_token))
        return false;
    DWORD size = 0;
    GetTokenInformation(process_token, TokenUser, NULL, 0, &size);
    user->resize(size);
    bool got = size > 0 && GetTokenInformation(process_token, TokenUser, user->data(), size, &size);
    CloseHandle(process_token);
    if (!got)
        return false;
    PSID sid = ((TOKEN_USER *)user->data())->User.Sid;
    DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    acl_bytes->resize(acl_size);
    ACL *acl = (ACL *)acl_bytes->data();
    return InitializeAcl(acl, acl_size, ACL_REVISION)
           && AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid)
           && InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)
           && SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)
           && SetSecurityDescriptorControl(descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

TokenFileResult CreateTokenFile(const std::wstring &path, std::string *token, std::string *problem)
{
    uint8_t random[NEW_TOKEN_BYTES];
    if (!BCRYPT_SUCCESS(
            BCryptGenRandom(NULL, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        *problem = "no random numbers from the system";
        return TOKEN_FILE_FAILED;
    }
    std::string text = TokenHex(random, sizeof random);
    SecureZeroMemory(random, sizeof random);
    SECURITY_DESCRIPTOR descriptor;
    std::vector<uint8_t> user, acl;
    if (!OwnerOnly(&descriptor, &user, &acl)) {
        *problem = "cannot make it readable by you only: " + LastErrorText();
        return TOKEN_FILE_FAILED;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    // CREATE_NEW: a file that appeared since it was found missing is kept.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *problem = "cannot be created: " + LastErrorText();
        return TOKEN_FILE_FAILED;
    }
    std::string line = text + "\r\n";
    DWORD written = 0;
    BOOL wrote =
        WriteFile(file, line.data(), (DWORD)line.size(), &written, NULL) && written == line.size();
    DWORD error = GetLastError();
    BOOL closed = CloseHandle(file);
    if (!wrote || !closed) {
        DeleteFileW(path.c_str());
        *problem = "cannot be written: " + WindowsErrorText(error);
        return TOKEN_FILE_FAILED;
    }
    *token = text;
    return TOKEN_FILE_CREATED;
}

}  // namespace

TokenFileResult LoadTokenFile(const std::string &path, std::string *token, std::string *problem)
{
    std::wstring wide = WidenUtf8(path.c_str());
    std::string text;
    std::string reason;
    ReadOutcome read = ReadSmallFile(wide, &text, &reason);
    if (read == READ_MISSING) {
        TokenFileResult created = CreateTokenFile(wide, token, &reason);
        if (created == TOKEN_FILE_FAILED)
            *problem = "token file " + path + " " + reason;
        return created;
    }
    if (read == READ_FAILED) {
        *problem = "cannot read the token file " + path + ": " + reason;
        return TOKEN_FILE_FAILED;
    }
    if (!TokenFromText(text, token, &reason)) {
        *problem = "the token file " + path + " " + reason;
        return TOKEN_FILE_FAILED;
    }
    return TOKEN_FILE_READ;
}

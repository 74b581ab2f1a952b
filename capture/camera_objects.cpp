// Named objects readable by the current user only. CreateXxxW with a
// descriptor that grants the user alone: a second program of the same user
// opens the same object, another user's program cannot open it and gets
// ERROR_ACCESS_DENIED, and a name taken by an object of another kind gives
// ERROR_INVALID_HANDLE. An existing object is also checked for its owner,
// since its maker may have granted everyone access.
#include "camera_objects.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace {

struct UserSid {
    std::vector<uint8_t> sid;  // a SID, as TokenUser gives it
    std::wstring text;         // S-1-5-21-...
};

bool ReadUserSid(UserSid *user)
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, NULL, 0, &bytes);
    std::vector<uint8_t> buffer(bytes > 0 ? bytes : 1);
    bool read = bytes > 0 && GetTokenInformation(token, TokenUser, buffer.data(), bytes, &bytes);
    CloseHandle(token);
    if (!read)
        return false;
    PSID sid = reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid;
    wchar_t *text = NULL;
    if (!ConvertSidToStringSidW(sid, &text))
        return false;
    user->text = text;
    LocalFree(text);
    const uint8_t *first = static_cast<const uint8_t *>(sid);
    user->sid.assign(first, first + GetLengthSid(sid));
    return true;
}

// Read once: a process runs as one user.
const UserSid *CurrentUser()
{
    static UserSid user;
    static bool read = ReadUserSid(&user);
    return read ? &user : NULL;
}

// Owner and sole grantee: the user; P: nothing inherited widens it.
struct OwnDescriptor {
    SECURITY_ATTRIBUTES attributes;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ~OwnDescriptor()
    {
        if (descriptor != NULL)
            LocalFree(descriptor);
    }
};

bool MakeOwnDescriptor(OwnDescriptor *own)
{
    const UserSid *user = CurrentUser();
    if (user == NULL)
        return false;
    std::wstring sddl = L"O:" + user->text + L"D:P(A;;GA;;;" + user->text + L")";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &own->descriptor, NULL))
        return false;
    own->attributes.nLength = sizeof own->attributes;
    own->attributes.lpSecurityDescriptor = own->descriptor;
    own->attributes.bInheritHandle = FALSE;
    return true;
}

bool OwnedByUser(HANDLE object)
{
    const UserSid *user = CurrentUser();
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (user == NULL
        || GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL,
                           NULL, &descriptor)
               != ERROR_SUCCESS)
        return false;
    bool ours = owner != NULL && EqualSid(owner, const_cast<uint8_t *>(user->sid.data()));
    LocalFree(descriptor);
    return ours;
}

// What a CreateXxxW gave (its handle and the error it left), judged.
SharedObject Judge(HANDLE object, DWORD error, HANDLE *out, bool *made)
{
    *out = NULL;
    if (object == NULL)
        return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE ? SHARED_OBJECT_FOREIGN
                                                                             : SHARED_OBJECT_FAILED;
    bool existed = error == ERROR_ALREADY_EXISTS;
    if (existed && !OwnedByUser(object)) {
        CloseHandle(object);
        return SHARED_OBJECT_FOREIGN;
    }
    if (made != NULL)
        *made = !existed;
    *out = object;
    return SHARED_OBJECT_OURS;
}

std::wstring Hex(const char *text)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring hex;
    for (const char *c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        // ASCII letters only: device paths are ASCII, and a table of case
        // that changed with the system's locale would split one camera.
        if (byte >= 'A' && byte <= 'Z')
            byte = static_cast<unsigned char>(byte - 'A' + 'a');
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

}  // namespace

std::wstring CameraObjectBase(const char *device)
{
    const UserSid *user = CurrentUser();
    if (user == NULL)
        return std::wstring();
    return L"pukavro-" CAMERA_PROTOCOL L"-" + user->text + L"-" + Hex(device);
}

SharedObject CreateCameraMutex(const std::wstring &base, HANDLE *mutex)
{
    OwnDescriptor own;
    if (!MakeOwnDescriptor(&own))
        return SHARED_OBJECT_FAILED;
    SetLastError(ERROR_SUCCESS);
    HANDLE object = CreateMutexW(&own.attributes, FALSE, (L"Global\\" + base).c_str());
    return Judge(object, GetLastError(), mutex, NULL);
}

SharedObject CreateCameraGuard(const std::wstring &base, const wchar_t *suffix, HANDLE *mutex)
{
    OwnDescriptor own;
    if (!MakeOwnDescriptor(&own))
        return SHARED_OBJECT_FAILED;
    SetLastError(ERROR_SUCCESS);
    HANDLE object = CreateMutexW(&own.attributes, FALSE, (L"Local\\" + base + suffix).c_str());
    return Judge(object, GetLastError(), mutex, NULL);
}

SharedObject CreateCameraMapping(const std::wstring &base, const wchar_t *suffix, uint32_t bytes,
                                 HANDLE *mapping, bool *made)
{
    OwnDescriptor own;
    if (!MakeOwnDescriptor(&own))
        return SHARED_OBJECT_FAILED;
    SetLastError(ERROR_SUCCESS);
    HANDLE object = CreateFileMappingW(INVALID_HANDLE_VALUE, &own.attributes, PAGE_READWRITE, 0,
                                       bytes, (L"Local\\" + base + suffix).c_str());
    return Judge(object, GetLastError(), mapping, made);
}

SharedObject CreateCameraEvent(const std::wstring &base, const std::wstring &suffix, HANDLE *event)
{
    OwnDescriptor own;
    if (!MakeOwnDescriptor(&own))
        return SHARED_OBJECT_FAILED;
    SetLastError(ERROR_SUCCESS);
    HANDLE object =
        CreateEventW(&own.attributes, FALSE, FALSE, (L"Local\\" + base + suffix).c_str());
    return Judge(object, GetLastError(), event, NULL);
}

HANDLE OpenCameraMapping(const std::wstring &base, const wchar_t *suffix)
{
    HANDLE mapping =
        OpenFileMappingW(FILE_MAP_READ | READ_CONTROL, FALSE, (L"Local\\" + base + suffix).c_str());
    if (mapping != NULL && !OwnedByUser(mapping)) {
        CloseHandle(mapping);
        return NULL;
    }
    return mapping;
}

// regsvr32 on either DLL: that DLL alone, for all users, in its own
// bitness's registry view, with the installer's default entries and the
// same refusal of a folder a standard user can change. regsvr32 shows only
// the code, so each refusal has its own.
#include <windows.h>
#include <olectl.h>

#include "filter_ids.h"
#include "folder_safety.h"
#include "registry_entries.h"

namespace {

// ERROR_ELEVATION_REQUIRED, which MinGW's winerror.h lacks.
const DWORD ELEVATION_REQUIRED = 740;

#ifdef _WIN64
const Bitness OWN_BITNESS = PROGRAMS_64;
#else
const Bitness OWN_BITNESS = PROGRAMS_32;
#endif

bool OwnPath(std::wstring *path)
{
    HMODULE self;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                                | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCWSTR)&OwnPath, &self))
        return false;
    wchar_t name[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(self, name, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4)
        return false;
    *path = name;
    return true;
}

HRESULT FromEntries(EntriesResult result, DWORD error)
{
    if (result == ENTRIES_DONE)
        return S_OK;
    if (result == ENTRIES_DENIED)
        return HRESULT_FROM_WIN32(ELEVATION_REQUIRED);
    return HRESULT_FROM_WIN32(error);
}

}  // namespace

extern "C" HRESULT WINAPI DllRegisterServer()
{
    std::wstring dll;
    if (!OwnPath(&dll))
        return SELFREG_E_CLASS;
    // "The subject is not trusted for the specified action."
    if (CheckDllPlace(dll).safety != PLACE_SAFE)
        return TRUST_E_SUBJECT_NOT_TRUSTED;
    DWORD error = 0;
    return FromEntries(
        WriteEntries(FOR_ALL_USERS, OWN_BITNESS, dll, KAVROCAM_DEFAULT_CAMERAS, &error), error);
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    bool removed;
    DWORD error = 0;
    return FromEntries(RemoveEntries(FOR_ALL_USERS, OWN_BITNESS, &removed, &error), error);
}

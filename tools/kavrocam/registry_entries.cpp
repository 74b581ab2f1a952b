#include "registry_entries.h"

#include <wchar.h>

#include "camera_choice.h"
#include "filter_data.h"
#include "filter_ids.h"
#include "utf8_names.h"

namespace {

#define CLASSES L"Software\\Classes"
#define CLSID_ROOT CLASSES L"\\CLSID"
#define OUR_CLASS CLSID_ROOT L"\\" KAVROCAM_CLSID_TEXT
// The video input device category, where programs look for cameras.
#define CATEGORY CLSID_ROOT L"\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}"
#define INSTANCES CATEGORY L"\\Instance"
// In our class key: the parents (CLASSES to INSTANCES) that did not exist
// before our install made them (a new user's HKCU has none), for uninstall
// to take away.
#define MADE_PARENTS L"MadeParentKeys"

HKEY RootOf(Audience audience)
{
    return audience == FOR_ALL_USERS ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM ViewOf(Bitness bitness)
{
    return bitness == PROGRAMS_64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

LONG SetText(HKEY key, const wchar_t *name, const std::wstring &text)
{
    return RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)text.c_str(),
                          (DWORD)((text.size() + 1) * sizeof(wchar_t)));
}

// A REG_SZ value, "" when it is missing or of another type.
std::wstring GetText(HKEY key, const wchar_t *name)
{
    wchar_t text[1024];
    DWORD type, size = sizeof(text) - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    text[size / sizeof(wchar_t)] = 0;
    return text;
}

bool KeyExists(HKEY root, REGSAM view, const wchar_t *path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

LONG CreateKey(HKEY root, REGSAM view, const std::wstring &path, HKEY *key)
{
    return RegCreateKeyExW(root, path.c_str(), 0, NULL, 0, KEY_READ | KEY_WRITE | view, NULL, key,
                           NULL);
}

// The names of the instances that are ours (their CLSID value is our class).
std::vector<std::wstring> OurInstances(HKEY root, REGSAM view)
{
    std::vector<std::wstring> names;
    HKEY instances;
    if (RegOpenKeyExW(root, INSTANCES, 0, KEY_READ | view, &instances) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; i++) {
        DWORD length = 256;
        if (RegEnumKeyExW(instances, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        HKEY entry;
        if (RegOpenKeyExW(instances, name, 0, KEY_READ | view, &entry) != ERROR_SUCCESS)
            continue;
        if (_wcsicmp(GetText(entry, L"CLSID").c_str(), KAVROCAM_CLSID_TEXT) == 0)
            names.push_back(name);
        RegCloseKey(entry);
    }
    RegCloseKey(instances);
    return names;
}

bool KeyIsEmpty(HKEY root, REGSAM view, const wchar_t *path)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return subkeys == 0 && values == 0;
}

EntriesResult Failed(LONG status, DWORD *error)
{
    if (error)
        *error = (DWORD)status;
    return status == ERROR_ACCESS_DENIED ? ENTRIES_DENIED : ENTRIES_FAILED;
}

LONG WriteClass(HKEY root, REGSAM view, const std::wstring &dll, const std::wstring &made)
{
    HKEY key, server;
    LONG status = CreateKey(root, view, OUR_CLASS, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = SetText(key, NULL, KAVROCAM_CLASS_NAME);
    if (status == ERROR_SUCCESS && !made.empty())
        status = RegSetValueExW(key, MADE_PARENTS, 0, REG_MULTI_SZ, (const BYTE *)made.c_str(),
                                (DWORD)((made.size() + 1) * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        status = RegCreateKeyExW(key, L"InprocServer32", 0, NULL, 0, KEY_WRITE | view, NULL,
                                 &server, NULL);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return status;
    status = SetText(server, NULL, dll);
    if (status == ERROR_SUCCESS)
        status = SetText(server, L"ThreadingModel", L"Both");
    RegCloseKey(server);
    return status;
}

LONG WriteCamera(HKEY root, REGSAM view, int number, const std::vector<BYTE> &filter_data)
{
    std::wstring name = KAVROCAM_ENTRY_PREFIX + std::to_wstring(number);
    HKEY key;
    LONG status = CreateKey(root, view, std::wstring(INSTANCES L"\\") + name, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = SetText(key, L"FriendlyName", name);
    if (status == ERROR_SUCCESS)
        status = SetText(key, L"CLSID", KAVROCAM_CLSID_TEXT);
    if (status == ERROR_SUCCESS)
        status = SetText(key, L"DevicePath", WidenUtf8(EzusbDevicePath(number).c_str()));
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key, L"FilterData", 0, REG_BINARY, filter_data.data(),
                                (DWORD)filter_data.size());
    RegCloseKey(key);
    return status;
}

// The key's full name in the system's own namespace
// (\\REGISTRY\\USER\\...), which tells the two views apart; "" when unknown.
std::wstring KeyName(HKEY key)
{
    typedef LONG(NTAPI * QueryKey)(HANDLE, int, void *, ULONG, ULONG *);
    const int KEY_NAME_INFORMATION = 3;
    QueryKey query = (QueryKey)(void *)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey");
    if (!query)
        return L"";
    ULONG buffer[1024];
    ULONG length = 0;
    if (query(key, KEY_NAME_INFORMATION, buffer, sizeof(buffer) - sizeof(wchar_t), &length) != 0)
        return L"";
    return std::wstring((const wchar_t *)(buffer + 1), buffer[0] / sizeof(wchar_t));
}

}  // namespace

std::vector<Bitness> SystemBitnesses(Audience audience)
{
#ifndef _WIN64
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        return {PROGRAMS_32};
#endif
    // The class keys of both views, by the names the system gives them.
    std::wstring names[2];
    const Bitness both[2] = {PROGRAMS_64, PROGRAMS_32};
    for (int i = 0; i < 2; i++) {
        HKEY key;
        // Without the key in a view nothing of ours is there yet: the views
        // count as apart until an install has made it.
        if (RegOpenKeyExW(RootOf(audience), CLSID_ROOT, 0, KEY_READ | ViewOf(both[i]), &key)
            != ERROR_SUCCESS)
            return {PROGRAMS_64, PROGRAMS_32};
        names[i] = KeyName(key);
        RegCloseKey(key);
    }
    if (!names[0].empty() && names[0] == names[1])
        return {PROGRAMS_64};
    return {PROGRAMS_64, PROGRAMS_32};
}

EntriesResult WriteEntries(Audience audience, Bitness bitness, const std::wstring &dll, int cameras,
                           DWORD *error)
{
    HKEY root = RootOf(audience);
    REGSAM view = ViewOf(bitness);
    bool removed;
    EntriesResult result = RemoveEntries(audience, bitness, &removed, error);
    if (result != ENTRIES_DONE)
        return result;
    // Which parents this install makes: a list of strings, each ended by a 0.
    std::wstring made;
    for (const wchar_t *parent : {CLASSES, CLSID_ROOT, CATEGORY, INSTANCES}) {
        if (!KeyExists(root, view, parent)) {
            made += parent;
            made += L'\0';
        }
    }
    LONG status = WriteClass(root, view, dll, made);
    std::vector<BYTE> filter_data = KavrocamFilterData();
    for (int n = 0; n < cameras && status == ERROR_SUCCESS; n++)
        status = WriteCamera(root, view, n, filter_data);
    if (status == ERROR_SUCCESS)
        return ENTRIES_DONE;
    RemoveEntries(audience, bitness, &removed, NULL);
    return Failed(status, error);
}

EntriesResult RemoveEntries(Audience audience, Bitness bitness, bool *removed, DWORD *error)
{
    HKEY root = RootOf(audience);
    REGSAM view = ViewOf(bitness);
    *removed = false;
    std::vector<std::wstring> made;
    HKEY key;
    if (RegOpenKeyExW(root, OUR_CLASS, 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
        wchar_t list[1024] = {0};
        DWORD type, size = sizeof(list) - 2 * sizeof(wchar_t);
        if (RegQueryValueExW(key, MADE_PARENTS, NULL, &type, (BYTE *)list, &size) == ERROR_SUCCESS
            && type == REG_MULTI_SZ) {
            for (const wchar_t *p = list; *p; p += wcslen(p) + 1)
                made.push_back(p);
        }
        RegCloseKey(key);
    }
    HKEY instances;
    if (RegOpenKeyExW(root, INSTANCES, 0, KEY_READ | KEY_WRITE | view, &instances)
        == ERROR_SUCCESS) {
        for (const std::wstring &name : OurInstances(root, view)) {
            LONG status = RegDeleteTreeW(instances, name.c_str());
            if (status != ERROR_SUCCESS) {
                RegCloseKey(instances);
                return Failed(status, error);
            }
            *removed = true;
        }
        RegCloseKey(instances);
    }
    if (KeyExists(root, view, OUR_CLASS)) {
        HKEY classes;
        LONG status = RegOpenKeyExW(root, CLSID_ROOT, 0, KEY_READ | KEY_WRITE | view, &classes);
        if (status == ERROR_SUCCESS) {
            status = RegDeleteTreeW(classes, KAVROCAM_CLSID_TEXT);
            RegCloseKey(classes);
        }
        if (status != ERROR_SUCCESS)
            return Failed(status, error);
        *removed = true;
    }
    // Deepest first; one that now holds something of another's stays.
    for (size_t i = made.size(); i-- > 0;) {
        if (KeyIsEmpty(root, view, made[i].c_str()))
            RegDeleteKeyExW(root, made[i].c_str(), view, 0);
    }
    return ENTRIES_DONE;
}

InstalledEntries ReadEntries(Audience audience, Bitness bitness)
{
    HKEY root = RootOf(audience);
    REGSAM view = ViewOf(bitness);
    InstalledEntries entries;
    HKEY server;
    if (RegOpenKeyExW(root, OUR_CLASS L"\\InprocServer32", 0, KEY_READ | view, &server)
        == ERROR_SUCCESS) {
        entries.installed = true;
        entries.dll = GetText(server, NULL);
        RegCloseKey(server);
    }
    for (const std::wstring &name : OurInstances(root, view)) {
        HKEY entry;
        if (RegOpenKeyExW(root, (std::wstring(INSTANCES L"\\") + name).c_str(), 0, KEY_READ | view,
                          &entry)
            != ERROR_SUCCESS)
            continue;
        entries.cameras.push_back({GetText(entry, L"FriendlyName"), GetText(entry, L"DevicePath")});
        RegCloseKey(entry);
    }
    return entries;
}

#include "kavrocam_entries.h"

#include <windows.h>

#include <vector>

#include "camera_choice.h"
#include "files.h"
#include "filter_ids.h"

namespace {

// CLSID_VideoInputDeviceCategory, where programs look for cameras.
const wchar_t CAMERAS_KEY[] =
    L"Software\\Classes\\CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance";
const wchar_t CLASS_KEY[] = L"Software\\Classes\\CLSID\\" KAVROCAM_CLSID_TEXT;

int SetText(HKEY key, const wchar_t *name, const std::wstring &value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)value.c_str(),
                          (DWORD)((value.size() + 1) * sizeof(wchar_t)))
                   == ERROR_SUCCESS
               ? 0
               : -1;
}

// Creates the key and sets its values (a null name: the default one).
int WriteKey(const std::wstring &path, const std::vector<const wchar_t *> &names,
             const std::vector<std::wstring> &values)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL)
        != ERROR_SUCCESS)
        return -1;
    int result = 0;
    for (size_t i = 0; i < names.size(); i++)
        result |= SetText(key, names[i], values[i]);
    RegCloseKey(key);
    return result;
}

}  // namespace

int WriteKavrocamEntries(const std::string &dll_path, int cameras)
{
    int result = WriteKey(CLASS_KEY, {NULL}, {KAVROCAM_CLASS_NAME});
    result |= WriteKey(std::wstring(CLASS_KEY) + L"\\InprocServer32", {NULL, L"ThreadingModel"},
                       {ToUtf16(dll_path), L"Both"});
    for (int n = 0; n < cameras; n++) {
        std::wstring name = KAVROCAM_ENTRY_PREFIX + std::to_wstring(n);
        result |= WriteKey(std::wstring(CAMERAS_KEY) + L"\\" + name,
                           {L"FriendlyName", L"CLSID", L"DevicePath"},
                           {name, KAVROCAM_CLSID_TEXT, ToUtf16(EzusbDevicePath(n))});
    }
    return result;
}

int RemoveKavrocamEntries()
{
    int result = 0;
    HKEY instances;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, CAMERAS_KEY, 0, KEY_READ | KEY_WRITE, &instances)
        == ERROR_SUCCESS) {
        std::vector<std::wstring> ours;
        wchar_t name[256];
        for (DWORD i = 0;; i++) {
            DWORD length = 256;
            if (RegEnumKeyExW(instances, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                break;
            if (wcsncmp(name, KAVROCAM_ENTRY_PREFIX, wcslen(KAVROCAM_ENTRY_PREFIX)) == 0)
                ours.push_back(name);
        }
        for (const std::wstring &entry : ours)
            result |= RegDeleteTreeW(instances, entry.c_str()) == ERROR_SUCCESS ? 0 : -1;
        RegCloseKey(instances);
    }
    LSTATUS gone = RegDeleteTreeW(HKEY_LOCAL_MACHINE, CLASS_KEY);
    return gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND ? result : -1;
}

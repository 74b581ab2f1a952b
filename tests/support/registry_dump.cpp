#include "registry_dump.h"

#include <stdio.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "utf8_names.h"

namespace {

std::string ValueText(DWORD type, const std::vector<BYTE> &data, DWORD size)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring text((const wchar_t *)data.data(), size / sizeof(wchar_t));
        if (type != REG_MULTI_SZ && !text.empty() && text.back() == 0)
            text.pop_back();  // the terminator stored with it
        for (wchar_t &c : text)
            c = c ? c : L'|';  // a MULTI_SZ's separators, made visible
        return (type == REG_SZ          ? "sz:"
                : type == REG_EXPAND_SZ ? "expand:"
                                        : "multi:")
               + NarrowToUtf8(text.c_str());
    }
    if (type == REG_DWORD && size == 4)
        return "dword:" + std::to_string(*(const DWORD *)data.data());
    std::string hex = "type" + std::to_string(type) + ":";
    char two[3];
    for (DWORD i = 0; i < size; i++) {
        snprintf(two, sizeof(two), "%02x", data[i]);
        hex += two;
    }
    return hex;
}

void Dump(HKEY key, const std::string &name, REGSAM view, std::string *out)
{
    *out += name + "\n";
    // Sorted: Windows gives values in the order they were made, Wine by name.
    std::vector<std::string> values;
    std::vector<wchar_t> value_name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; i++) {
        DWORD name_length = (DWORD)value_name.size(), type, size = (DWORD)data.size();
        if (RegEnumValueW(key, i, value_name.data(), &name_length, NULL, &type, data.data(), &size)
            != ERROR_SUCCESS)
            break;
        values.push_back(name + "  "
                         + (value_name[0] ? NarrowToUtf8(value_name.data()) : std::string("@"))
                         + "=" + ValueText(type, data, size) + "\n");
    }
    std::sort(values.begin(), values.end());
    for (const std::string &line : values)
        *out += line;
    std::vector<std::wstring> subkeys;
    wchar_t subkey[256];
    for (DWORD i = 0;; i++) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, subkey, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        subkeys.push_back(subkey);
    }
    for (const std::wstring &s : subkeys) {
        HKEY child;
        if (RegOpenKeyExW(key, s.c_str(), 0, KEY_READ | view, &child) != ERROR_SUCCESS)
            continue;
        Dump(child, name + "\\" + NarrowToUtf8(s.c_str()), view, out);
        RegCloseKey(child);
    }
}

}  // namespace

std::string DumpRegistry(HKEY root, const wchar_t *path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "";
    std::string out;
    Dump(key, NarrowToUtf8(path), view, &out);
    RegCloseKey(key);
    return out;
}

std::string AddedLines(const std::string &before, const std::string &after)
{
    std::set<std::string> seen;
    std::istringstream old_lines(before), new_lines(after);
    std::string line, added;
    while (std::getline(old_lines, line))
        seen.insert(line);
    while (std::getline(new_lines, line))
        if (seen.insert(line).second)
            added += line + "\n";
    return added;
}

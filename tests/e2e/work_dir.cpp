#include "work_dir.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace {

bool IsDotEntry(const char *name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

}  // namespace

int MakeWorkDirectory(std::string *directory)
{
    char temp[MAX_PATH];
    char unique[MAX_PATH];
    if (GetTempPathA(sizeof temp, temp) == 0 || GetTempFileNameA(temp, "pkv", 0, unique) == 0)
        return -1;
    // GetTempFileNameA reserves the name with an empty file; the folder
    // takes its place.
    if (!DeleteFileA(unique) || !CreateDirectoryA(unique, NULL))
        return -1;
    *directory = unique;
    return 0;
}

int RemoveWorkDirectory(const std::string &directory)
{
    int result = 0;
    for (const std::string &name : ListDirectory(directory)) {
        std::string path = PathIn(directory, name.c_str());
        DWORD attributes = GetFileAttributesA(path.c_str());
        BOOL removed =
            (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                ? RemoveDirectoryA(path.c_str())
                : DeleteFileA(path.c_str());
        if (!removed)
            result = -1;
    }
    if (!RemoveDirectoryA(directory.c_str()))
        result = -1;
    return result;
}

std::vector<std::string> ListDirectory(const std::string &directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(PathIn(directory, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!IsDotEntry(found.cFileName))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string PathIn(const std::string &directory, const char *name)
{
    return directory + "\\" + name;
}

int ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes)
{
    bytes->clear();
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return -1;
    uint8_t block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0)
        bytes->insert(bytes->end(), block, block + got);
    int failed = ferror(file);
    fclose(file);
    return failed ? -1 : 0;
}

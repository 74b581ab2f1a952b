#include "folder_entries.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

bool FolderExists(const std::string &folder)
{
    if (folder.empty())
        return true;
    DWORD attributes = GetFileAttributesW(WidenUtf8(folder.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathTaken(const std::string &path)
{
    return GetFileAttributesW(WidenUtf8(path.c_str()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FolderNames(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WidenUtf8((folder + "*").c_str()).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = NarrowToUtf8(found.cFileName);
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

#else
#include <dirent.h>
#include <sys/stat.h>

bool FolderExists(const std::string &folder)
{
    if (folder.empty())
        return true;
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathTaken(const std::string &path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> FolderNames(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *listing = opendir(folder.empty() ? "." : folder.c_str());
    if (listing == NULL)
        return names;
    while (const struct dirent *entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(listing);
    return names;
}

#endif

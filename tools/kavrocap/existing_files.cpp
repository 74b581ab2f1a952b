#include "kavrocap.h"
#include "text.h"

int FolderExists(const std::string &folder)
{
    if (folder.empty())
        return 1;
    DWORD attributes = GetFileAttributesW(WidenUtf8(folder.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> ListFolder(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WidenUtf8((folder + "*").c_str()).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(NarrowToUtf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// One look at the folder rather than one per name: a run may have millions.
std::string FirstExistingName(const NamePattern &pattern, int64_t first, int64_t count)
{
    int64_t lowest = -1;
    std::string lowest_name;
    for (const std::string &name : ListFolder(pattern.folder)) {
        int64_t number = 0;
        if (!MatchOutputName(pattern, name.c_str(), &number))
            continue;
        if (!pattern.has_number)
            number = first;  // the one name of the run
        if (number >= first && number - first < count && (lowest < 0 || number < lowest)) {
            lowest = number;
            lowest_name = pattern.folder + name;
        }
    }
    return lowest_name;
}

#include "existing_files.h"
#include "folder_entries.h"

// One look at the folder rather than one per name: a run may have millions.
std::string FirstExistingName(const NamePattern &pattern, int64_t first, int64_t count)
{
    int64_t lowest = -1;
    std::string lowest_name;
    for (const std::string &name : FolderNames(pattern.folder)) {
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

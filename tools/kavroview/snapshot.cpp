#include "snapshot.h"

#include <stdio.h>
#include <string.h>

#include "folder_entries.h"
#include "frame.h"
#include "no_case.h"
#include "output_file.h"
#include "picture.h"
#include "utf8_names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The number of "kavroNNN.png" or "kavroNNN.bin"; -1 for any other name.
int64_t SnapshotNumber(const std::string &name)
{
    const size_t prefix = strlen(SNAPSHOT_PREFIX);
    if (name.size() < prefix + SNAPSHOT_DIGITS + 4
        || !SameNoCase(name.c_str(), SNAPSHOT_PREFIX, prefix))
        return -1;
    if (!EndsWithNoCase(name.c_str(), ".png") && !EndsWithNoCase(name.c_str(), ".bin"))
        return -1;
    std::string digits = name.substr(prefix, name.size() - prefix - 4);
    if (digits.size() > 9)
        return -1;
    int64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

void RemoveFile(const std::string &path)
{
#ifdef _WIN32
    DeleteFileW(WidenUtf8(path.c_str()).c_str());
#else
    unlink(path.c_str());
#endif
}

}  // namespace

uint32_t NextSnapshotNumber(const std::vector<std::string> &names)
{
    int64_t highest = 0;
    for (const std::string &name : names) {
        int64_t number = SnapshotNumber(name);
        if (number > highest)
            highest = number;
    }
    return static_cast<uint32_t>(highest + 1);
}

std::string SnapshotStem(uint32_t number)
{
    char stem[32];
    snprintf(stem, sizeof stem, SNAPSHOT_PREFIX "%0*u", static_cast<int>(SNAPSHOT_DIGITS),
             static_cast<unsigned>(number));
    return stem;
}

std::string FolderPrefix(const std::string &folder)
{
    if (folder.empty())
        return folder;
    char last = folder.back();
    if (last == '/' || last == '\\' || (folder.size() == 2 && last == ':'))
        return folder;
#ifdef _WIN32
    return folder + "\\";
#else
    return folder + "/";
#endif
}

// The PNG first, then the raw frame under the same number: a name that
// another program takes meanwhile moves both on to the next number.
SnapshotResult SaveSnapshot(const std::string &folder, const uint8_t *raw, const uint8_t *picture,
                            std::string *saved, std::string *reason)
{
    std::vector<uint8_t> png;
    if (EncodeBits(picture, FRAME_WIDTH, FRAME_HEIGHT, FORMAT_PNG, 0, ExifFacts(), &png)
        != PICTURE_ENCODED) {
        *reason = "out of memory";
        return SNAPSHOT_FAILED;
    }
    const std::string prefix = FolderPrefix(folder);
    uint32_t number = NextSnapshotNumber(FolderNames(prefix));
    for (; number <= SNAPSHOT_NUMBER_MAX; ++number) {
        const std::string stem = prefix + SnapshotStem(number);
        int written = WriteWholeFile((stem + ".png").c_str(), png.data(), png.size(), 0, reason);
        if (written == OUTPUT_EXISTS)
            continue;
        if (written != OUTPUT_WRITTEN)
            return SNAPSHOT_FAILED;
        written = WriteWholeFile((stem + ".bin").c_str(), raw, RAW_FRAME_BYTES, 0, reason);
        if (written == OUTPUT_WRITTEN) {
            *saved = SnapshotStem(number);
            return SNAPSHOT_SAVED;
        }
        RemoveFile(stem + ".png");
        if (written != OUTPUT_EXISTS)
            return SNAPSHOT_FAILED;
    }
    *reason = "no snapshot number is left";
    return SNAPSHOT_FAILED;
}

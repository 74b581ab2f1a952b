#include "temp_folder.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "text.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

Bytes ReadBytes(const std::string &path)
{
    Bytes bytes;
    FILE *file = OpenUtf8(path.c_str(), "rb");
    if (file == NULL)
        return bytes;
    uint8_t piece[4096];
    size_t got;
    while ((got = fread(piece, 1, sizeof piece, file)) > 0)
        bytes.insert(bytes.end(), piece, piece + got);
    fclose(file);
    return bytes;
}

void WriteBytes(const std::string &path, const Bytes &bytes)
{
    FILE *file = OpenUtf8(path.c_str(), "wb");
    ASSERT_TRUE(file != NULL) << path;
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    EXPECT_EQ(0, fclose(file)) << path;
    ASSERT_EQ(bytes.size(), written) << path;
}

Bytes TextBytes(const char *text)
{
    return Bytes(text, text + strlen(text));
}

void TempFolderTest::SetUp()
{
    // Whatever else a test keeps goes beside "files", so Listing() sees only
    // what the code under test made.
    for (int attempt = 0;; ++attempt) {
        root = fs::temp_directory_path()
               / ("pukavro-tools-test-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
        if (fs::create_directory(root))
            break;
    }
    fs::create_directory(root / "files");
}

void TempFolderTest::TearDown()
{
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

std::string TempFolderTest::Path(const std::string &name) const
{
    return (root / "files" / fs::u8path(name)).u8string();
}

std::vector<std::string> TempFolderTest::Listing(const std::string &folder) const
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry :
         fs::directory_iterator(root / "files" / fs::u8path(folder)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

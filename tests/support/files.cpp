#include "files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif
#include <stdio.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const int FOLDER_ATTEMPTS = 1000;

// Folders made by this process so far: part of the next one's name.
unsigned g_folders_made;

unsigned ProcessNumber()
{
#ifdef _WIN32
    return static_cast<unsigned>(GetCurrentProcessId());
#else
    return static_cast<unsigned>(getpid());
#endif
}

FILE *OpenFile(const std::string &path, bool write)
{
#ifdef _WIN32
    return _wfopen(ToUtf16(path).c_str(), write ? L"wb" : L"rb");
#else
    return fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

}  // namespace

int MakeTempFolder(std::string *folder)
{
    std::error_code error;
    fs::path temp = fs::temp_directory_path(error);
    if (error)
        return -1;
    // The process number keeps programs that run at once apart; a name
    // left behind by an earlier run is passed over.
    for (int i = 0; i < FOLDER_ATTEMPTS; i++) {
        char name[40];
        snprintf(name, sizeof name, "pkv-%u-%u", ProcessNumber(), g_folders_made++);
        fs::path candidate = temp / name;
        if (fs::create_directory(candidate, error) && !error) {
            *folder = candidate.u8string();
            return 0;
        }
    }
    return -1;
}

int RemoveFolder(const std::string &folder)
{
    std::error_code error;
    fs::remove_all(fs::u8path(folder), error);
    return error || PathExists(folder) ? -1 : 0;
}

std::vector<std::string> ListFolder(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(fs::u8path(folder), error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(entry->path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PathIn(const std::string &folder, const char *name)
{
    return (fs::u8path(folder) / fs::u8path(name)).u8string();
}

int PathExists(const std::string &path)
{
    std::error_code error;
    return fs::exists(fs::u8path(path), error) ? 1 : 0;
}

int ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes)
{
    bytes->clear();
    FILE *file = OpenFile(path, false);
    if (file == NULL)
        return -1;
    uint8_t block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0)
        bytes->insert(bytes->end(), block, block + got);
    int failed = ferror(file);
    fclose(file);
    if (failed)
        bytes->clear();
    return failed ? -1 : 0;
}

int WriteFileBytes(const std::string &path, const void *bytes, size_t length)
{
    FILE *file = OpenFile(path, true);
    if (file == NULL)
        return -1;
    size_t written = length > 0 ? fwrite(bytes, 1, length, file) : 0;
    return fclose(file) == 0 && written == length ? 0 : -1;
}

#ifdef _WIN32
std::wstring ToUtf16(const std::string &text)
{
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    return wide;
}

std::string FromUtf16(const std::wstring &text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL,
                                     0, NULL, NULL);
    std::string narrow(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0],
                            length, NULL, NULL);
    return narrow;
}
#endif

// Whole-file output: the file under its name is the new one complete, or the
// old one untouched, and no temporary file is ever left behind.
#include <errno.h>

#include <filesystem>

#include "output_file.h"
#include "output_file_calls.h"
#include "temp_folder_fixture.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

typedef std::vector<std::string> Names;

namespace {

class OutputFileTest : public TempFolderTest {
protected:
    int Write(const std::string &name, const char *text, int replace)
    {
        reason = "(untouched)";
        return WriteWholeFile(Path(name).c_str(), text, strlen(text), replace, &reason);
    }
    std::string reason;
};

// Stand-ins for the system's calls, failing as a disk or a file system can:
// half the bytes written and then a full disk, a close refused (the handle
// is gone all the same), a read-only rename. g_fault_calls counts them.
int g_fault_calls;

#ifdef _WIN32
BOOL Fails(DWORD error)
{
    SetLastError(error);
    return FALSE;
}
BOOL WINAPI WriteHalfThenFail(HANDLE file, LPCVOID data, DWORD length, LPDWORD written,
                              LPOVERLAPPED overlapped)
{
    if (++g_fault_calls == 1)
        return WriteFile(file, data, length / 2, written, overlapped);
    return Fails(ERROR_DISK_FULL);
}
BOOL WINAPI CloseRefused(HANDLE file)
{
    ++g_fault_calls;
    return CloseHandle(file) ? Fails(ERROR_ACCESS_DENIED) : FALSE;
}
BOOL WINAPI RenameOnReadOnly(LPCWSTR, LPCWSTR, DWORD)
{
    ++g_fault_calls;
    return Fails(ERROR_WRITE_PROTECT);
}
#else
int Fails(int error)
{
    errno = error;
    return -1;
}
ssize_t WriteHalfThenFail(int file, const void *data, size_t length)
{
    return ++g_fault_calls == 1 ? write(file, data, length / 2) : Fails(ENOSPC);
}
int CloseRefused(int file)
{
    ++g_fault_calls;
    return close(file) == 0 ? Fails(EACCES) : -1;
}
int RenameOnReadOnly(const char *, const char *, int)
{
    ++g_fault_calls;
    return Fails(EROFS);
}
#endif

}  // namespace

TEST_F(OutputFileTest, NewFileAppearsWholeAndAlone)
{
    const char *names[] = {"picture.bmp", "日本語の写真.png", "café ü.bmp", "\xF0\x9F\x98\x80.png"};
    for (int replace = 0; replace < 2; ++replace) {
        for (const char *name : names) {
            ASSERT_EQ(OUTPUT_WRITTEN, Write(name, "new picture", replace)) << name;
            EXPECT_TRUE(TextBytes("new picture") == ReadBytes(Path(name))) << name;
            EXPECT_EQ("(untouched)", reason);
            fs::remove(fs::u8path(Path(name)));
        }
    }
    EXPECT_EQ(WriteWholeFile(Path("empty").c_str(), "", 0, 1, NULL), OUTPUT_WRITTEN);
    EXPECT_EQ(0u, ReadBytes(Path("empty")).size());
    EXPECT_EQ(Names({"empty"}), Listing());
}

TEST_F(OutputFileTest, ReplacingOrRefusingAnExistingFile)
{
    WriteBytes(Path("picture.bmp"), TextBytes("old picture"));
    EXPECT_EQ(OUTPUT_EXISTS, Write("picture.bmp", "new picture", 0));
    EXPECT_TRUE(TextBytes("old picture") == ReadBytes(Path("picture.bmp")));
    EXPECT_EQ(OUTPUT_WRITTEN, Write("picture.bmp", "new picture", 1));
    EXPECT_TRUE(TextBytes("new picture") == ReadBytes(Path("picture.bmp")));
    EXPECT_EQ(Names({"picture.bmp"}), Listing());
}

// Each failure leaves what was there, and only that.
TEST_F(OutputFileTest, FailuresLeaveTheFolderAsItWas)
{
    MakeFolder(Path("folder.bmp"));
    WriteBytes(Path("folder.bmp/inside"), TextBytes("kept"));
    const struct {
        const char *name;
        int replace;
        int result;
        const char *reason;
    } cases[] = {
        {"no-folder/picture.bmp", 1, OUTPUT_FAILED, "No such file or directory"},
        {"no-folder/picture.bmp", 0, OUTPUT_FAILED, "No such file or directory"},
        {"folder.bmp", 1, OUTPUT_FAILED, "Is a directory"},
        {"folder.bmp", 0, OUTPUT_EXISTS, "(untouched)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.result, Write(c.name, "new picture", c.replace)) << c.name;
        EXPECT_EQ(c.reason, reason) << c.name;
    }
    EXPECT_EQ(Names({"folder.bmp"}), Listing());
    EXPECT_EQ(Names({"inside"}), Listing("folder.bmp"));
}

// A failed write, close or rename: the temporary file is removed, an
// existing file stays byte for byte, the reason is the system's.
TEST_F(OutputFileTest, FailedWriteCloseOrRenameLeavesTheFolderAsItWas)
{
    OutputFileCalls write_fails = SYSTEM_OUTPUT_FILE_CALLS;
    write_fails.write = WriteHalfThenFail;
    OutputFileCalls close_fails = SYSTEM_OUTPUT_FILE_CALLS;
    close_fails.close = CloseRefused;
    OutputFileCalls rename_fails = SYSTEM_OUTPUT_FILE_CALLS;
    rename_fails.rename = RenameOnReadOnly;
    const struct {
        const char *fault;
        const OutputFileCalls *calls;
        int fault_calls;  // a failed call is not tried again
        const char *reason;
    } faults[] = {
        {"write", &write_fails, 2, "No space left on device"},
        {"close", &close_fails, 1, "Permission denied"},
        {"rename", &rename_fails, 1, "Read-only file system"},
    };
    const char *new_picture = "a new picture, long enough to be written in two halves";
    for (const auto &f : faults) {
        for (int existing = 0; existing < 2; ++existing) {
            for (int replace = 0; replace < 2; ++replace) {
                SCOPED_TRACE(std::string(f.fault) + (existing ? ", existing" : ", none")
                             + (replace ? ", replace" : ", keep"));
                if (existing)
                    WriteBytes(Path("picture.bmp"), TextBytes("old picture"));
                g_fault_calls = 0;
                UseOutputFileCalls(f.calls);
                EXPECT_EQ(OUTPUT_FAILED, Write("picture.bmp", new_picture, replace));
                UseOutputFileCalls(NULL);
                EXPECT_EQ(f.reason, reason);
                EXPECT_EQ(f.fault_calls, g_fault_calls);
                if (existing) {
                    EXPECT_TRUE(TextBytes("old picture") == ReadBytes(Path("picture.bmp")));
                    EXPECT_EQ(Names({"picture.bmp"}), Listing());
                    fs::remove(fs::u8path(Path("picture.bmp")));
                }
                EXPECT_EQ(Names(), Listing());
            }
        }
    }
    // The system's calls are back.
    EXPECT_EQ(OUTPUT_WRITTEN, Write("picture.bmp", new_picture, 1));
    EXPECT_TRUE(TextBytes(new_picture) == ReadBytes(Path("picture.bmp")));
}

#ifdef _WIN32

// A program holding the old picture open keeps it; the rename is retried
// for a moment and then given up.
TEST_F(OutputFileTest, FileHeldOpenIsKept)
{
    WriteBytes(Path("held.bmp"), TextBytes("old picture"));
    HANDLE held = CreateFileW(WidenUtf8(Path("held.bmp").c_str()).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_TRUE(held != INVALID_HANDLE_VALUE);
    EXPECT_EQ(OUTPUT_FAILED, Write("held.bmp", "new picture", 1));
    CloseHandle(held);
    EXPECT_NE("(untouched)", reason);
    EXPECT_TRUE(TextBytes("old picture") == ReadBytes(Path("held.bmp")));
    EXPECT_EQ(Names({"held.bmp"}), Listing());
}

#else

// Replacing makes a new file: the old one's mode and hard links stay with
// the old one, a symbolic link is replaced itself, and a device is refused.
TEST_F(OutputFileTest, ReplacedFileIsANewFile)
{
    WriteBytes(Path("picture.bmp"), TextBytes("old picture"));
    chmod(Path("picture.bmp").c_str(), 0600);
    fs::create_hard_link(Path("picture.bmp"), Path("link.bmp"));
    WriteBytes(Path("target.bmp"), TextBytes("old target"));
    fs::create_symlink("target.bmp", Path("symlink.bmp"));

    EXPECT_EQ(OUTPUT_WRITTEN, Write("picture.bmp", "new picture", 1));
    EXPECT_EQ(OUTPUT_WRITTEN, Write("symlink.bmp", "new picture", 1));
    struct stat info;
    ASSERT_EQ(0, lstat(Path("picture.bmp").c_str(), &info));
    EXPECT_EQ(1u, (unsigned)info.st_nlink);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(0666 & ~mask, info.st_mode & 0777);
    EXPECT_TRUE(TextBytes("old picture") == ReadBytes(Path("link.bmp")));
    ASSERT_EQ(0, lstat(Path("symlink.bmp").c_str(), &info));
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_TRUE(TextBytes("new picture") == ReadBytes(Path("symlink.bmp")));
    EXPECT_TRUE(TextBytes("old target") == ReadBytes(Path("target.bmp")));

    EXPECT_EQ(OUTPUT_FAILED, WriteWholeFile("/dev/null", "x", 1, 1, &reason));
    EXPECT_EQ("Not a regular file", reason);
    ASSERT_EQ(0, stat("/dev/null", &info));
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(Names({"link.bmp", "picture.bmp", "symlink.bmp", "target.bmp"}), Listing());
}

#endif

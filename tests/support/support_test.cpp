// The support library's own promises that the tool tests lean on: console
// programs run with their streams and exit code, bounded; folders and files
// under any name. Under Wine this program is also the console program it
// runs (see main).
#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#endif
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files.h"
#include "hang_limit.h"
#ifdef _WIN32
#include "run_program.h"
#endif

namespace {

// カメラ写真.bin: a name outside every ANSI code page but the Japanese one.
const char CAMERA_PHOTO[] = "\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9\xE5\x86\x99\xE7\x9C\x9F.bin";

TEST(Files, FolderRoundTripUnderAnyName)
{
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    std::string other;
    ASSERT_EQ(0, MakeTempFolder(&other));
    EXPECT_NE(folder, other);
    EXPECT_TRUE(ListFolder(folder).empty());

    const uint8_t bytes[5] = {0, 1, 0xFF, '\r', '\n'};
    ASSERT_EQ(0, WriteFileBytes(PathIn(folder, CAMERA_PHOTO), bytes, sizeof bytes));
    ASSERT_EQ(0, WriteFileBytes(PathIn(folder, "a.bin"), bytes, 0));
    std::vector<std::string> expected = {"a.bin", CAMERA_PHOTO};
    EXPECT_EQ(expected, ListFolder(folder));

    std::vector<uint8_t> read(3, 0x55);
    ASSERT_EQ(0, ReadWholeFile(PathIn(folder, CAMERA_PHOTO), &read));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), read);
    ASSERT_EQ(0, ReadWholeFile(PathIn(folder, "a.bin"), &read));
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(-1, ReadWholeFile(PathIn(folder, "none.bin"), &read));

    EXPECT_EQ(1, PathExists(PathIn(folder, CAMERA_PHOTO)));
    EXPECT_EQ(0, RemoveFolder(folder));
    EXPECT_EQ(0, PathExists(folder));
    EXPECT_EQ(0, RemoveFolder(other));
}

#ifdef _WIN32

std::wstring g_self;  // this program's path, quoted

// The child's jobs, chosen by its first argument.
const char ECHO[] = "--echo";    // stdin to stdout, its arguments and folder to stderr, exit 7
const char HANG[] = "--hang";    // never ends
const char NOISE[] = "--noise";  // 1 MiB on each of stdout and stderr, exit 0

int RunChild(const char *job)
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (strcmp(job, ECHO) == 0) {
        char block[4096];
        size_t got;
        while ((got = fread(block, 1, sizeof block, stdin)) > 0)
            fwrite(block, 1, got, stdout);
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        fprintf(stderr, "%s|%s", FromUtf16(GetCommandLineW()).c_str(), FromUtf16(folder).c_str());
        return 7;
    }
    if (strcmp(job, HANG) == 0) {
        Sleep(INFINITE);
        return 0;
    }
    if (strcmp(job, NOISE) == 0) {
        std::string line(1023, 'x');
        for (int i = 0; i < 1024; i++) {
            fprintf(stdout, "%s\n", line.c_str());
            fprintf(stderr, "%s\n", line.c_str());
        }
        return 0;
    }
    return 2;
}

TEST(RunProgram, PassesInputAndKeepsOutputAndExitCode)
{
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    std::string input(200000, '\0');  // more than a pipe holds
    for (size_t i = 0; i < input.size(); i++)
        input[i] = static_cast<char>(i * 31 % 256);
    std::wstring line = g_self + L" --echo " + ToUtf16(CAMERA_PHOTO);
    ProgramRun run;
    ASSERT_EQ(0, RunProgram(line.c_str(), ToUtf16(folder).c_str(), &input, HANG_MS, &run));
    EXPECT_EQ(7u, run.exit_code);
    EXPECT_EQ(0, run.timed_out);
    EXPECT_TRUE(run.out == input) << run.out.size() << " bytes came back";
    EXPECT_EQ(FromUtf16(line) + "|" + folder, run.err);
    EXPECT_EQ(0, RemoveFolder(folder));
}

TEST(RunProgram, NoInputAndLargeOutputOnBothStreams)
{
    ProgramRun run;
    std::wstring line = g_self + L" --noise";
    ASSERT_EQ(0, RunProgram(line.c_str(), NULL, NULL, HANG_MS, &run));
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(1024u * 1024u, run.out.size());
    EXPECT_EQ(1024u * 1024u, run.err.size());

    line = g_self + L" --echo";
    ASSERT_EQ(0, RunProgram(line.c_str(), NULL, NULL, HANG_MS, &run));
    EXPECT_EQ(7u, run.exit_code);
    EXPECT_EQ("", run.out);
}

TEST(RunProgram, EndsAProgramThatOverstaysAndReportsOneThatCannotStart)
{
    ProgramRun run;
    std::wstring line = g_self + L" --hang";
    DWORD start = GetTickCount();
    ASSERT_EQ(0, RunProgram(line.c_str(), NULL, NULL, 500, &run));
    EXPECT_EQ(1, run.timed_out);
    EXPECT_LT(GetTickCount() - start, 10000u);

    EXPECT_EQ(-1, RunProgram(L"no-such-program.exe", NULL, NULL, 500, &run));
}

#endif

}  // namespace

int main(int argc, char **argv)
{
#ifdef _WIN32
    if (argc >= 2 && strncmp(argv[1], "--", 2) == 0 && strncmp(argv[1], "--gtest", 7) != 0)
        return RunChild(argv[1]);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    g_self = std::wstring(L"\"") + self + L"\"";
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

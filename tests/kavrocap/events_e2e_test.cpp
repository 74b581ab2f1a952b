// The shipped program's events and --exec end to end: the events through a
// pipe, every line of standard output one of them, and a real program
// started for each saved file with the file's full path, whatever its name
// holds, and none of its output reaching kavrocap's. The rules are rows of
// kavrocap_run_test and kavrocap_exec_test.
#include <windows.h>

#include <algorithm>

#include "files.h"
#include "kavrocap_fixture.h"

namespace {

// exec_child.exe, built beside this test.
std::string ExecChild()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring path(self);
    path.resize(path.find_last_of(L'\\') + 1);
    path += L"exec_child.exe";
    char utf8[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8, sizeof utf8, NULL, NULL);
    return utf8;
}

TEST_F(KavrocapTest, EventsThroughAPipeAndAProgramForEachFile)
{
    std::string recorded = PathIn(folder, "recorded");
    ASSERT_TRUE(CreateDirectoryA(recorded.c_str(), NULL));
    std::string command = "\"" + ExecChild() + "\" record \"" + recorded + "\"";
    // A name cmd.exe would take for two commands.
    const std::string name = "\xe5\x86\x99\xe7\x9c\x9f & {n}.png";
    ASSERT_EQ(0, Run({"-q", "-n", "3", "--events", "-", "--exec", command, name})) << err;

    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(out.substr(at, end - at));
    ASSERT_EQ(8u, lines.size()) << out;
    EXPECT_EQ(0u, lines[0].find("{\"event\":\"start\",\"schema\":1,"));
    EXPECT_EQ("{\"event\":\"end\",\"saved\":3,\"failed\":0,\"skipped\":0,\"status\":0,"
              "\"ctrl_c\":false}",
              lines[7]);
    int frames = 0, execs = 0;
    for (const std::string &line : lines) {
        frames += line.find("{\"event\":\"frame\",\"path\":\"\xe5\x86\x99\xe7\x9c\x9f & ") == 0;
        execs += line.find("\"result\":\"exited\",\"exit_code\":0,") != std::string::npos;
    }
    EXPECT_EQ(3, frames);
    EXPECT_EQ(3, execs);

    Strings expected, got;
    for (int n = 1; n <= 3; ++n)
        expected.push_back(
            PathIn(folder, ("\xe5\x86\x99\xe7\x9c\x9f & " + std::to_string(n) + ".png").c_str())
            + "\ndevice\n");
    for (const std::string &file : ListFolder(recorded)) {
        Bytes bytes;
        ReadWholeFile(PathIn(recorded, file.c_str()), &bytes);
        got.push_back(std::string(bytes.begin(), bytes.end()));
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(expected, got);
}

}  // namespace

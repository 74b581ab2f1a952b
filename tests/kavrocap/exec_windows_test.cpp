// --exec's programs as Windows starts them, in-process through the seam: the
// command split as CommandLineToArgvW splits it, no handle of ours
// inherited, exit codes, a program that cannot start, and one that hangs
// ended at the time-out with what it started (the full path and NUL as
// standard output are kavrocap_test's). The program it starts is the
// test's argument.
#include <windows.h>
#include <shellapi.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command_split.h"
#include "exec_windows.h"
#include "hang_limit.h"
#include "program_argument.h"
#include "temp_folder_fixture.h"
#include "utf8_names.h"

namespace {

std::string g_child;

typedef std::vector<std::string> Strings;

Strings WindowsSplit(const std::string &line)
{
    int count = 0;
    wchar_t **argv = CommandLineToArgvW(WidenUtf8(line.c_str()).c_str(), &count);
    Strings split;
    for (int i = 0; i < count; ++i)
        split.push_back(NarrowToUtf8(argv[i]));
    LocalFree(argv);
    return split;
}

// The rows' expected arguments are CommandLineToArgvW's own, read here.
TEST(ExecCommandLine, SplitsAsWindowsDoes)
{
    const char *const LINES[] = {
        "prog a b",
        "\"C:\\Program Files\\x.exe\" --flag \"two words\"",
        "C:\\dir\\prog.exe a\\\\b \"c\\\\\" d",
        "p \"a\\\"b\" \\\"c",
        "p a\\\\\\\"b \"x\"\"y\" \"q\"\"\"r\"",
        "p \"\" x \"unclosed",
        "\"p\"x y\t\tz",
        "p \xe5\x86\x99\xe7\x9c\x9f \"caf\xc3\xa9 1\"",
    };
    for (const char *line : LINES)
        EXPECT_EQ(WindowsSplit(line), SplitCommandLine(line)) << line;
}

TEST(ExecCommandLine, QuotedArgumentsReadBackWhole)
{
    const char *const ARGUMENTS[] = {
        "plain", "two words", "C:\\dir with space\\",           "a\"b",  "back\\\\\"slash",
        "",      "tab\there", "\xe5\x86\x99\xe7\x9c\x9f 1.png", "end\\",
    };
    for (const char *argument : ARGUMENTS) {
        Strings split = WindowsSplit("p " + QuoteArgument(argument));
        ASSERT_EQ(2u, split.size()) << argument;
        EXPECT_EQ(argument, split[1]);
    }
}

class ExecWindowsTest : public TempFolderTest {
protected:
    ExecOutcome Run(const std::string &command, int64_t timeout_ms)
    {
        ExecSeam seam = WindowsExecSeam();
        exit_code = 0xDEADBEEF;
        why = "untouched";
        return seam.run(seam.context, command, file, timeout_ms, &exit_code, &why);
    }

    std::string file = "frame 1.png";
    uint32_t exit_code = 0;
    std::string why;
};

// An inheritable handle of kavrocap's, as its standard output to a pipe may
// be: the program must not hold it, or the pipe would stay open after it.
TEST_F(ExecWindowsTest, TheProgramInheritsNoHandleOfOurs)
{
    HANDLE read_end, write_end;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
    std::string value = std::to_string(reinterpret_cast<uintptr_t>(write_end));
    EXPECT_EQ(EXEC_EXITED, Run(QuoteArgument(g_child) + " handle " + value, HANG_MS)) << why;
    EXPECT_EQ(0u, exit_code);
    CloseHandle(read_end);
    CloseHandle(write_end);
}

TEST_F(ExecWindowsTest, ExitCodesAndPrograms)
{
    struct {
        std::string command;
        ExecOutcome outcome;
        uint32_t exit_code;
        std::string why;
    } rows[] = {
        {QuoteArgument(g_child) + " exit 0", EXEC_EXITED, 0, "untouched"},
        {QuoteArgument(g_child) + " exit 7", EXEC_EXITED, 7, "untouched"},
        {"no-such-program-here --flag", EXEC_NOT_STARTED, 0xDEADBEEF,
         "not found: no-such-program-here"},
        {"C:\\no\\such\\folder\\prog.exe", EXEC_NOT_STARTED, 0xDEADBEEF,
         "not found: C:\\no\\such\\folder\\prog.exe"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.outcome, Run(row.command, HANG_MS)) << row.command;
        EXPECT_EQ(row.exit_code, exit_code) << row.command;
        EXPECT_EQ(row.why, why) << row.command;
    }
}

TEST_F(ExecWindowsTest, AHangingProgramEndsAtTheTimeOutWithAllItStarted)
{
    std::string pid_file = Path("sleeper.pid");
    ASSERT_EQ(EXEC_TIMED_OUT,
              Run(QuoteArgument(g_child) + " hang " + QuoteArgument(pid_file), 3000));
    EXPECT_EQ(0xDEADBEEFu, exit_code);
    Bytes pid = ReadBytes(pid_file);
    ASSERT_FALSE(pid.empty());
    DWORD id = strtoul(std::string(pid.begin(), pid.end()).c_str(), NULL, 10);
    HANDLE sleeper = OpenProcess(SYNCHRONIZE, FALSE, id);
    // Gone already, or going.
    if (sleeper != NULL) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sleeper, HANG_MS));
        CloseHandle(sleeper);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("EXEC_CHILD.EXE", &g_child) != 0)
        return 2;
    return RUN_ALL_TESTS();
}

// The Windows build as another program starts it: a UTF-16 command line
// through CreateProcessW, whatever the ANSI code page, and its output read
// from pipes.
#ifdef _WIN32
#include <windows.h>

#include "converter_fixture.h"
#include "expected.h"
#include "frame.h"
#include "hang_limit.h"
#include "run_program.h"
#include "utf8_names.h"

namespace {

// The program's own path, made whole here: the child starts in another
// folder.
std::wstring ProgramPath()
{
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(WidenUtf8(KAVROCONV_PROGRAM).c_str(), MAX_PATH, full, NULL);
    return length > 0 && length < MAX_PATH ? std::wstring(full) : std::wstring();
}

}  // namespace

TEST_F(ConverterTest, StartedWithAUtf16CommandLine)
{
    const std::string stems[] = {"日本語のフレーム", "café ü", "\xF0\x9F\x98\x80 frame"};
    for (const std::string &stem : stems)
        WriteBytes(Path(stem + ".bin"), MixedFrame());
    const struct {
        const char *arguments;
        DWORD exit_code;
        const char *out;
        const char *err;
    } cases[] = {
        {"--version", 0, "kavroconv " EXPECTED_VERSION "\r\n", ""},
        {"\"日本語のフレーム.bin\" \"café ü.bin\"", 0,
         "日本語のフレーム.bin -> 日本語のフレーム.bmp\r\ncafé ü.bin -> café ü.bmp\r\n", ""},
        {"-o \"写真 é\xF0\x9F\x98\x80.png\" \xF0\x9F\x98\x80*.bin", 0,
         "\xF0\x9F\x98\x80 frame.bin -> 写真 é\xF0\x9F\x98\x80.png\r\n", ""},
        {"-q \"*.bin\" ü*.bin", 1, "", "kavroconv: ü*.bin: no file matches this name\r\n"},
        // Quotes and backslashes as every Windows program reads them, told
        // back by the usage error.
        {"--format \"p\\\"n g\" x", 2, "", "p\"n g"},
        {"--format a\\\\\\\\\"b c\" x", 2, "", "a\\\\b c"},
        {"--format \"x\"\"y\" x", 2, "", "x\"y"},
        {"--format a\\b\\ x", 2, "", "a\\b\\"},
    };
    const std::wstring program = ProgramPath();
    ASSERT_FALSE(program.empty());
    const std::wstring folder = WidenUtf8(Path("").c_str());
    for (const auto &c : cases) {
        std::wstring line = L"\"" + program + L"\" " + WidenUtf8(c.arguments);
        ProgramRun run;
        ASSERT_EQ(0, RunProgram(line.c_str(), folder.c_str(), NULL, HANG_MS, &run)) << c.arguments;
        EXPECT_EQ(0, run.timed_out);
        EXPECT_EQ(c.exit_code, run.exit_code) << c.arguments;
        EXPECT_EQ(c.out, run.out) << c.arguments;
        if (c.exit_code == 2)
            EXPECT_EQ(
                std::string("kavroconv: --format takes bmp, png, avi, png16, raw16 or jpeg, not '")
                    + c.err
                    + "'\r\nusage: kavroconv [--format bmp|png|avi|jpeg] [-o OUTPUT] [--fps R]\r\n"
                      "                 [--quality Q] [-q] FILE.bin...\r\n       kavroconv "
                      "--repair [-q] MOVIE.avi...\r\n",
                run.err);
        else
            EXPECT_EQ(c.err, run.err) << c.arguments;
    }
    EXPECT_EQ(
        std::vector<std::string>({"café ü.bin", "café ü.bmp", "写真 é\xF0\x9F\x98\x80.png",
                                  "日本語のフレーム.bin", "日本語のフレーム.bmp",
                                  "\xF0\x9F\x98\x80 frame.bin", "\xF0\x9F\x98\x80 frame.bmp"}),
        Listing());
    EXPECT_EQ(20790u, ReadBytes(Path("\xF0\x9F\x98\x80 frame.bmp")).size());
}

#endif

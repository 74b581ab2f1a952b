// check_unpacked FOLDER VERSION
// What a user does first with the unpacked ZIP, in FOLDER (any name: paths
// are UTF-16 at the system's interface): pukavro.exe and kavroview.exe,
// each started with FOLDER as its working directory, show their window and
// end with exit code 0 on WM_CLOSE, as from the close box (kavroview with no
// camera present); each tool in FOLDER answers --version with "NAME
// VERSION". Prints each outcome; exit status 0 only if all hold.
#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "files.h"
#include "hang_limit.h"
#include "program.h"
#include "run_program.h"

namespace {

const char *const TOOLS[] = {"kavroconv", "kavrocap", "kavroserve"};

// A program with a window, and its window class.
const char *const WINDOWS[][2] = {{"pukavro", "PUKAVRO"}, {"kavroview", "KAVROVIEW"}};

int CheckWindow(const std::string &folder, const char *program, const char *window_class)
{
    std::string command = "\"" + PathIn(folder, (std::string(program) + ".exe").c_str()) + "\"";
    Program app;
    if (LaunchProgram(&app, command.c_str(), folder.c_str()) != 0) {
        printf("FAIL: %s.exe could not be started: error %lu\n", program, GetLastError());
        return -1;
    }
    int result = -1;
    DWORD code = 0;
    if (WaitForProgramWindow(&app, window_class, HANG_MS) != 0) {
        printf("FAIL: %s showed no window within %d ms\n", program, HANG_MS);
    } else if (!PostMessageA(app.window, WM_CLOSE, 0, 0)
               || WaitForExit(&app, HANG_MS, &code) != 0) {
        printf("FAIL: %s still ran %d ms after WM_CLOSE\n", program, HANG_MS);
    } else if (code != 0) {
        printf("FAIL: %s ended with exit code %lu on WM_CLOSE\n", program, code);
    } else {
        printf("%s.exe: window shown, ended with exit code 0 on WM_CLOSE\n", program);
        result = 0;
    }
    EndProgram(&app);
    return result;
}

int CheckVersion(const std::string &folder, const char *tool, const std::string &version)
{
    std::string exe = PathIn(folder, (std::string(tool) + ".exe").c_str());
    if (!PathExists(exe))
        return 0;  // a build without this tool ships without it
    std::wstring command = L"\"" + ToUtf16(exe) + L"\" --version";
    ProgramRun run;
    if (RunProgram(command.c_str(), ToUtf16(folder).c_str(), NULL, HANG_MS, &run) != 0) {
        printf("FAIL: %s.exe could not be started\n", tool);
        return -1;
    }
    std::string want = std::string(tool) + " " + version;
    std::string answer = run.out;
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
        answer.pop_back();
    if (run.timed_out || run.exit_code != 0 || answer != want) {
        printf("FAIL: %s --version: exit code %lu, \"%s\", not \"%s\"\n", tool, run.exit_code,
               answer.c_str(), want.c_str());
        return -1;
    }
    printf("%s.exe --version: %s\n", tool, answer.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: check_unpacked FOLDER VERSION\n");
        return 2;
    }
    std::string folder = FromUtf16(argv[1]);
    std::string version = FromUtf16(argv[2]);
    int failed = 0;
    for (const auto &window : WINDOWS)
        failed |= CheckWindow(folder, window[0], window[1]) != 0;
    for (const char *tool : TOOLS)
        failed |= CheckVersion(folder, tool, version) != 0;
    return failed;
}

// Runs kavrocap in-process in a temporary folder of its own, against the
// scripted camera and a clock that moves only when the run waits or the
// camera works, and checks what a run printed, left behind and asked of the
// camera against one row of a table.
#ifndef PUKAVRO_TESTS_KAVROCAP_RUN_FIXTURE_H
#define PUKAVRO_TESTS_KAVROCAP_RUN_FIXTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "capture_clock.h"
#include "exec_queue.h"
#include "fake_camera.h"
#include "temp_folder_fixture.h"

typedef std::vector<std::string> Strings;

// The usage line that follows every usage error.
extern const char USAGE_LINE[];

// What a file left by the run must hold.
enum FileHolds {
    HOLDS_RAW,    // the camera's frame, byte for byte
    HOLDS_BMP,    // the 20790-byte bitmap of the frame's painted picture
    HOLDS_PNG,    // a PNG file (its pixels are read back under Wine)
    HOLDS_KEPT,   // what the test put there before the run
    HOLDS_FILES,  // a folder
};

struct FileLeft {
    const char *name;
    FileHolds holds;
    uint32_t frame;  // the camera's frame number, for a frame
};

struct RunCase {
    const char *what;
    std::vector<FakeStep> script;
    Strings existing;  // put there first ("sub/x.bin" makes sub too)
    Strings args;
    int status;
    std::string out;  // "" when out_frames says it
    std::string err;
    std::vector<FileLeft> files;  // every file and folder left, sorted by name
    uint32_t takes;
    std::vector<uint32_t> out_frames = {};  // the frames written to standard output
};

// The clock's settings for a row; every row starts at the same moment.
struct ClockSetting {
    int64_t take_us;    // how long each take keeps the camera busy
    int waits_to_stop;  // Ctrl+C while waiting this time (from 1); 0: never
};

struct TestClock {
    ClockSetting setting;
    int64_t waited_us;  // by the run's waits
    int waits;
    std::string out_name{}, err_name{};  // the files of the run's streams
    std::vector<std::string> written{};  // at each wait: what they held, out then err
};

class KavrocapRunTest : public TempFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs "kavrocap ARGS..." in the folder; returns its exit status and
    // keeps standard output and error in out and err.
    int Run(const Strings &args);
    // Empties the folder and starts the camera, the clock and Ctrl+C afresh.
    void Fresh(const std::vector<FakeStep> &script, ClockSetting clock = {0, 0});
    // Runs the row in a fresh folder and checks everything it names.
    void Check(const RunCase &c, ClockSetting clock = {0, 0});

    std::string out, err;
    ExecSeam exec = {NULL, NULL};  // --exec's programs; NULL: RunKavrocap's
    TestClock clock = {{0, 0}, 0, 0};
    StopSignal stop;
    std::string previous_folder;
};

#endif

#include "run_fixture.h"

#include <filesystem>

#include "files.h"
#include "frame.h"
#include "kavrocap.h"

const char USAGE_LINE[] = "usage: kavrocap [OPTIONS] [OUTPUT]   (kavrocap --help tells more)\n";

namespace {

namespace fs = std::filesystem;

const int64_t START_US = 5000000;
// 2026-12-09 07:30:05.123, whenever the test runs.
const FrameTime LOCAL_TIME = {2026, 12, 9, 7, 30, 5, 123};
const uint8_t PUT_BYTE = 0x11;

std::string Text(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

int64_t TestNow(void *context)
{
    const TestClock *clock = static_cast<TestClock *>(context);
    return START_US + clock->waited_us
           + static_cast<int64_t>(FakeCameraCounters().takes) * clock->setting.take_us;
}

WaitOutcome TestWait(void *context, int64_t us, StopSignal *stop)
{
    TestClock *clock = static_cast<TestClock *>(context);
    clock->written.push_back(Text(ReadBytes(clock->out_name)));
    clock->written.push_back(Text(ReadBytes(clock->err_name)));
    if (StopRaised(stop))
        return WAIT_STOPPED;
    if (++clock->waits == clock->setting.waits_to_stop) {
        RaiseStop(stop);
        return WAIT_STOPPED;
    }
    clock->waited_us += us;
    return WAIT_ELAPSED;
}

FrameTime TestLocalTime(void *)
{
    return LOCAL_TIME;
}

// Tokyo's, with no summer time.
int TestUtcOffset(void *)
{
    return 9 * 60;
}

Bytes BmpPixels(uint32_t frame)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    ConvertFrame(FakeFrame(frame).data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
    return bits;
}

}  // namespace

void KavrocapRunTest::SetUp()
{
    TempFolderTest::SetUp();
    std::error_code error;
    previous_folder = fs::current_path(error).u8string();
    fs::current_path(fs::u8path(Path("")), error);
    ASSERT_FALSE(error) << error.message();
    Fresh({});
}

void KavrocapRunTest::TearDown()
{
    std::error_code error;
    fs::current_path(fs::u8path(previous_folder), error);
    EXPECT_FALSE(error) << error.message();
    TempFolderTest::TearDown();
}

int KavrocapRunTest::Run(const Strings &args)
{
    Strings argv = {"kavrocap"};
    argv.insert(argv.end(), args.begin(), args.end());
    clock.out_name = PathIn(root, "stdout");
    clock.err_name = PathIn(root, "stderr");
    FILE *out_file = fopen(clock.out_name.c_str(), "wb");
    FILE *err_file = fopen(clock.err_name.c_str(), "wb");
    EXPECT_TRUE(out_file != NULL && err_file != NULL);
    CaptureClock run_clock = {TestNow, TestWait, TestLocalTime, &clock, &stop, TestUtcOffset};
    int status = exec.run != NULL
                     ? RunKavrocapWith(argv, out_file, err_file, FakeCameraSeam(), run_clock, exec)
                     : RunKavrocap(argv, out_file, err_file, FakeCameraSeam(), run_clock);
    fclose(out_file);
    fclose(err_file);
    out = Text(ReadBytes(clock.out_name));
    err = Text(ReadBytes(clock.err_name));
    return status;
}

void KavrocapRunTest::Fresh(const std::vector<FakeStep> &script, ClockSetting setting)
{
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(fs::u8path(Path(""))))
        fs::remove_all(entry.path(), error);
    SetFakeCamera(script);
    clock = TestClock{setting, 0, 0};
    std::lock_guard<std::mutex> hold(stop.lock);
    stop.raised = false;
}

void KavrocapRunTest::Check(const RunCase &c, ClockSetting setting)
{
    SCOPED_TRACE(c.what);
    Fresh(c.script, setting);
    for (const std::string &name : c.existing) {
        fs::create_directories(fs::u8path(Path(name)).parent_path());
        WriteBytes(Path(name), Bytes(10, PUT_BYTE));
    }
    EXPECT_EQ(c.status, Run(c.args));
    if (c.out_frames.empty()) {
        EXPECT_EQ(c.out, out);
    } else {
        Bytes frames;
        for (uint32_t n : c.out_frames) {
            Bytes frame = FakeFrame(n);
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
        EXPECT_TRUE(Text(frames) == out) << out.size() << " bytes";
    }
    EXPECT_EQ(c.err, err);
    Strings names;
    for (const FileLeft &file : c.files) {
        names.push_back(file.name);
        Bytes bytes = ReadBytes(Path(file.name));
        switch (file.holds) {
        case HOLDS_RAW:
            EXPECT_TRUE(bytes == FakeFrame(file.frame)) << file.name;
            break;
        case HOLDS_BMP:
            ASSERT_EQ(20790u, bytes.size()) << file.name;
            EXPECT_EQ('B', bytes[0]);
            EXPECT_TRUE(Bytes(bytes.begin() + 54, bytes.end()) == BmpPixels(file.frame))
                << file.name;
            break;
        case HOLDS_PNG:
            ASSERT_GT(bytes.size(), 8u) << file.name;
            EXPECT_EQ(Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}),
                      Bytes(bytes.begin(), bytes.begin() + 8))
                << file.name;
            break;
        case HOLDS_KEPT:
            EXPECT_EQ(Bytes(10, PUT_BYTE), bytes) << file.name;
            break;
        case HOLDS_FILES:
            EXPECT_TRUE(fs::is_directory(fs::u8path(Path(file.name)))) << file.name;
            break;
        }
    }
    EXPECT_EQ(names, Listing());
    const FakeCounters &camera = FakeCameraCounters();
    EXPECT_EQ(c.takes, camera.takes);
    // Opened once for a run that takes frames, never for one refused.
    EXPECT_EQ(c.takes > 0 ? 1u : 0u, camera.opens);
    EXPECT_EQ(camera.opens, camera.closes);
}

// Several simulated cameras through kavrocap.exe, end to end: listing them,
// choosing one by number or path, two runs at once, and a camera unplugged
// in the middle of a time-lapse. The options and the listing's every form
// are rows of kavrocap_run_test.
#include <string.h>

#include <thread>

#include "files.h"
#include "kavrocap_fixture.h"
#include "run_program.h"
#include "wait.h"

namespace {

// One JSON value from c on, written back without spaces and with its strings
// decoded between '', so the test sees what a script's parser would; false
// when the text is not JSON. Numbers are whole.
bool ReadJson(const char *&c, std::string *value)
{
    c += strspn(c, " \t\r\n");
    if (*c >= '0' && *c <= '9') {
        while (*c >= '0' && *c <= '9')
            *value += *c++;
        return true;
    }
    if (*c == '"') {
        *value += '\'';
        for (++c; *c != '"'; ++c) {
            // The other escapes have no place in a path.
            if ((*c == '\\' && strchr("\"\\/", *++c) == NULL) || static_cast<uint8_t>(*c) < 0x20)
                return false;
            *value += *c;
        }
        *value += '\'';
        return ++c, true;
    }
    if (*c != '[' && *c != '{')
        return false;
    const char close = *c == '[' ? ']' : '}';
    *value += *c++;
    c += strspn(c, " \t\r\n");
    if (*c != close) {
        do {
            if (!ReadJson(c, value))
                return false;
            c += strspn(c, " \t\r\n");
            if (close == '}' && (*c++ != ':' || (*value += ':', !ReadJson(c, value))))
                return false;
            c += strspn(c, " \t\r\n");
        } while (*c == ',' && (*value += *c++, true));
    }
    if (*c != close)
        return false;
    *value += *c++;
    return true;
}

// The whole text as one JSON value, as above; "not JSON" when it is not.
std::string ParsedJson(const std::string &text)
{
    std::string value;
    const char *c = text.c_str();
    bool read = ReadJson(c, &value);
    c += strspn(c, " \t\r\n");
    return read && *c == '\0' ? value : "not JSON";
}

class CamerasTest : public KavrocapTest {
protected:
    // Back to one camera for the tests after this one.
    void TearDown() override
    {
        EXPECT_EQ(0, StopCamera());
        KavrocapTest::TearDown();
    }
};

// Listing opens each camera once and closes it, and takes no frame; a gap
// (an unplugged camera) does not end it; none is a hint and status 0.
TEST_F(CamerasTest, ListingShowsTheCamerasPresentAndTakesNoFrame)
{
    const struct {
        DWORD cameras;
        int unplugged;  // -1: none
        const char *text;
        const char *json;  // parsed
        const char *err;
    } cases[] = {
        {1, -1, "0 \\\\.\\ezusb-0\n", "[{'number':0,'path':'\\\\.\\ezusb-0'}]", ""},
        {1, 0, "", "[]", "kavrocap: no camera found\n"},
        {3, -1, "0 \\\\.\\ezusb-0\n1 \\\\.\\ezusb-1\n2 \\\\.\\ezusb-2\n",
         "[{'number':0,'path':'\\\\.\\ezusb-0'},{'number':1,'path':'\\\\.\\ezusb-1'},"
         "{'number':2,'path':'\\\\.\\ezusb-2'}]",
         ""},
        {3, 1, "0 \\\\.\\ezusb-0\n2 \\\\.\\ezusb-2\n",
         "[{'number':0,'path':'\\\\.\\ezusb-0'},{'number':2,'path':'\\\\.\\ezusb-2'}]", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(0, RestartWithCameras(c.cameras));
        if (c.unplugged >= 0) {
            ASSERT_EQ(0, UnplugCamera(c.unplugged));
        }
        EXPECT_EQ(0, Run({"--list"}));
        EXPECT_EQ(c.text, out);
        EXPECT_EQ(c.err, err);
        EXPECT_EQ(0, Run({"--list", "--json"}));
        EXPECT_EQ(c.json, ParsedJson(out)) << out;
        for (int camera = 0; camera < static_cast<int>(c.cameras); ++camera) {
            EzusbsimCounters counters = Settled(camera);
            uint32_t opens = camera == c.unplugged ? 0 : 2;
            EXPECT_EQ(opens, counters.opens) << "camera " << camera;
            EXPECT_EQ(0u, counters.vendor_requests + counters.bulk_reads + counters.frames_sent)
                << "camera " << camera;
        }
    }
}

// -d takes the number as the listing shows it, or the path; the frames are
// camera 2's own, and no other camera is asked for any.
TEST_F(CamerasTest, ANumberOrAPathChoosesTheCamera)
{
    ASSERT_EQ(0, RestartWithCameras(3));
    EXPECT_EQ(0, Run({"-q", "-d", "2", "-n", "2", "c{n}.bin"})) << err;
    EXPECT_EQ(0, Run({"-q", "--device=\\\\.\\ezusb-2", "--start", "3", "c{n}.bin"})) << err;
    EXPECT_EQ(Strings({"c1.bin", "c2.bin", "c3.bin"}), Names());
    for (uint32_t n = 0; n < 3; ++n) {
        EXPECT_TRUE(File("c" + std::to_string(n + 1) + ".bin") == CameraFrame(n, 2)) << n;
        EXPECT_FALSE(CameraFrame(n, 2) == CameraFrame(n, 0)) << n;
    }
    EXPECT_EQ(3u, Settled(2).frames_sent);
    EXPECT_EQ(0u, Settled(0).opens + Settled(1).opens);
}

// Two runs at the same time, each on its own camera, each slowed so that
// they overlap: each gets its own camera's frames only.
TEST_F(CamerasTest, TwoRunsAtOnceGetTheirOwnFrames)
{
    ASSERT_EQ(0, RestartWithCameras(2));
    ASSERT_EQ(0, SetCameraKnob(0, EZUSBSIM_VALUE_DELAY_MS, 150));
    ASSERT_EQ(0, SetCameraKnob(1, EZUSBSIM_VALUE_DELAY_MS, 150));
    ProgramRun runs[2];
    int started[2] = {-1, -1};
    std::thread threads[2];
    for (int camera = 0; camera < 2; ++camera) {
        std::string line = CommandLine({"-q", "-d", std::to_string(camera), "-n", "4",
                                        "cam" + std::to_string(camera) + "_{n}.bin"});
        threads[camera] = std::thread([this, line, camera, &runs, &started] {
            started[camera] = RunProgram(ToUtf16(line).c_str(), ToUtf16(folder).c_str(), NULL,
                                         HANG_MS, &runs[camera]);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (uint32_t camera = 0; camera < 2; ++camera) {
        ASSERT_EQ(0, started[camera]);
        EXPECT_EQ(0u, runs[camera].exit_code) << runs[camera].err;
        for (uint32_t n = 0; n < 4; ++n) {
            std::string name =
                "cam" + std::to_string(camera) + "_" + std::to_string(n + 1) + ".bin";
            EXPECT_TRUE(File(name) == CameraFrame(n, camera)) << name;
        }
        EXPECT_EQ(4u, Settled(static_cast<int>(camera)).frames_sent);
    }
}

// Camera 0 unplugged while the third slot's request is out: that request
// fails at once (well within the time-out) as "camera not found", and once
// the camera is back the time-lapse takes frames again.
TEST_F(CamerasTest, AnUnpluggedCameraFailsItsSlotsAndComesBack)
{
    ProgramRun run;
    int started = -1;
    std::string line = CommandLine({"-q", "-n", "5", "-i", "1", "-r", "0", "-t", "20", "x{n}.bin"});
    std::thread thread([this, line, &run, &started] {
        started = RunProgram(ToUtf16(line).c_str(), ToUtf16(folder).c_str(), NULL, HANG_MS, &run);
    });
    // Slot 3 comes a second after slot 2: its request then waits in the
    // camera until it is unplugged.
    bool second = WaitUntil([this] {
        return GetFileAttributesA(PathIn(folder, "x2.bin").c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    EXPECT_TRUE(second);
    if (second) {
        EXPECT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 60000));
        EXPECT_EQ(0, WaitForPendingRequests(1));
        EXPECT_EQ(0, UnplugCamera(0));
        EXPECT_EQ(0, WaitForPendingRequests(0));
        EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCamera());
        EXPECT_EQ(0, ClearKnobs());
        EXPECT_EQ(0, PlugCamera(0));
    }
    thread.join();
    ASSERT_EQ(0, started);
    EXPECT_EQ(1u, run.exit_code);
    EXPECT_EQ(0, run.timed_out);
    EXPECT_NE(std::string::npos,
              run.err.find("kavrocap: frame 3: camera not found: \\\\.\\ezusb-0"))
        << run.err;
    EXPECT_NE(std::string::npos, run.err.find("kavrocap: 4 saved, 1 failed, 0 slots skipped"))
        << run.err;
    const Strings names = {"x1.bin", "x2.bin", "x4.bin", "x5.bin"};
    EXPECT_EQ(names, Names());
    for (uint32_t n = 0; n < 4; ++n)
        EXPECT_TRUE(File(names[n]) == CameraFrame(n)) << names[n];
    EzusbsimCounters counters = Settled(0);
    EXPECT_EQ(5u, counters.vendor_requests);
    EXPECT_EQ(4u, counters.frames_sent);
}

}  // namespace

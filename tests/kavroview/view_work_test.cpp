// kavroview's work off the window's thread, in-process: snapshots written
// into a real folder, and the capture thread's loop against the scripted
// camera.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <algorithm>

#include "ezusb_device.h"
#include "fake_camera.h"
#include "live_capture.h"
#include "picture.h"
#include "snapshot.h"
#include "view_stamp.h"
#include "temp_folder_fixture.h"

namespace {

class SnapshotTest : public TempFolderTest {};

TEST_F(SnapshotTest, ExactPairNumberedOnNeverOverwriting)
{
    const struct {
        std::vector<std::string> existing;
        std::string saved;
    } cases[] = {
        {{}, "kavro001"},
        {{"kavro004.bin"}, "kavro005"},
        {{"kavro002.png", "kavro010.png", "notes.txt"}, "kavro011"},
        {{"kavro999.png"}, "kavro1000"},
    };
    const std::vector<uint8_t> raw = FakeFrame(7);
    std::vector<uint8_t> png, painted(DISPLAY_IMAGE_BYTES);
    ASSERT_EQ(EncodePicture(raw.data(), FORMAT_PNG, &png), PICTURE_ENCODED);
    ConvertFrame(raw.data(), painted.data(), FRAME_WIDTH, FRAME_HEIGHT);
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        std::vector<std::string> listing = c.existing;
        for (const std::string &name : c.existing)
            WriteBytes(Path(name), TextBytes(name.c_str()));
        std::string saved, reason;
        ASSERT_EQ(SaveSnapshot(Path(""), raw.data(), painted.data(), &saved, &reason),
                  SNAPSHOT_SAVED)
            << reason;
        EXPECT_EQ(saved, c.saved);
        EXPECT_EQ(ReadBytes(Path(saved + ".png")), png) << saved;
        EXPECT_EQ(ReadBytes(Path(saved + ".bin")), raw) << saved;
        for (const std::string &name : c.existing)
            EXPECT_EQ(ReadBytes(Path(name)), TextBytes(name.c_str())) << name;
        listing.push_back(saved + ".png");
        listing.push_back(saved + ".bin");
        std::sort(listing.begin(), listing.end());
        EXPECT_EQ(Listing(), listing);
    }
}

TEST_F(SnapshotTest, MissingFolderFailsWithAReasonAndLeavesNothing)
{
    const std::vector<uint8_t> raw = FakeFrame(1), painted(DISPLAY_IMAGE_BYTES, 0x40);
    std::string saved, reason;
    EXPECT_EQ(SaveSnapshot(Path("gone"), raw.data(), painted.data(), &saved, &reason),
              SNAPSHOT_FAILED);
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(Listing().empty());
}

// The picture as shown, time stamp and all; the raw frame as the camera
// sent it.
TEST_F(SnapshotTest, TheStampGoesIntoThePictureOnly)
{
    const std::vector<uint8_t> raw = FakeFrame(3);
    std::vector<uint8_t> stamped(DISPLAY_IMAGE_BYTES), png;
    ConvertFrame(raw.data(), stamped.data(), FRAME_WIDTH, FRAME_HEIGHT);
    StampPicture(stamped.data(), {2026, 12, 9, 7, 30, 5, 123, 540});
    ASSERT_EQ(PICTURE_ENCODED, EncodeBits(stamped.data(), FRAME_WIDTH, FRAME_HEIGHT, FORMAT_PNG, 0,
                                          ExifFacts(), &png));
    std::string saved, reason;
    ASSERT_EQ(SaveSnapshot(Path(""), raw.data(), stamped.data(), &saved, &reason), SNAPSHOT_SAVED);
    EXPECT_EQ(ReadBytes(Path("kavro001.png")), png);
    EXPECT_EQ(ReadBytes(Path("kavro001.bin")), raw);
    EXPECT_EQ("07:30:05", ViewStampText({2026, 12, 9, 7, 30, 5, 123, 540}));
}

// The window's side of the capture thread: each notice counted, and the
// frame taken at once when the row says so.
struct Window {
    LiveCapture *live;
    bool takes;
    int notices;
    std::vector<uint32_t> taken;
    std::vector<uint8_t> raw, bits;
};

void Tell(void *context)
{
    Window *window = static_cast<Window *>(context);
    window->notices++;
    uint32_t number = 0;
    if (window->takes
        && TakeFrame(&window->live->slot, window->raw.data(), window->bits.data(), &number))
        window->taken.push_back(number);
}

TEST(LiveCaptureTest, FramesFailuresAndTheNewestFrame)
{
    const CameraOutcome F = CAMERA_FRAME, S = CAMERA_STOPPED;
    const struct {
        std::vector<CameraOutcome> script;  // ends in CAMERA_STOPPED, as closing does
        bool takes;
        int notices;
        std::vector<uint32_t> taken;
        uint32_t failures;
        uint32_t last;  // the frame in the slot (or last taken), by the camera's count
    } cases[] = {
        {{F, F, F, S}, true, 3, {1, 2, 3}, 0, 2},
        // Not taken: one notice for three frames, and the slot holds the newest.
        {{F, F, F, S}, false, 1, {}, 0, 2},
        {{CAMERA_REQUEST_FAILED, CAMERA_SHORT_READ, CAMERA_TIMED_OUT, F, S}, true, 1, {1}, 3, 0},
        {{F, CAMERA_REQUEST_FAILED, F, S}, true, 2, {1, 2}, 1, 1},
        {{S}, true, 0, {}, 0, 0},
    };
    for (const auto &c : cases) {
        std::vector<FakeStep> steps;
        for (CameraOutcome outcome : c.script)
            steps.push_back({outcome, outcome == CAMERA_SHORT_READ ? 100u : 0u});
        SetFakeCamera(steps);
        LiveCapture live;
        live.seam = FakeCameraSeam();
        live.device = EZUSB_DEVICE_PATH;
        Window window = {&live,
                         c.takes,
                         0,
                         {},
                         std::vector<uint8_t>(RAW_FRAME_BYTES),
                         std::vector<uint8_t>(DISPLAY_IMAGE_BYTES)};
        live.tell_window = Tell;
        live.window = &window;
        std::thread capture(RunLiveCapture, &live);
        capture.join();
        const std::string row = ::testing::PrintToString(c.taken);
        EXPECT_EQ(window.notices, c.notices) << row;
        EXPECT_EQ(window.taken, c.taken) << row;
        EXPECT_EQ(live.failures.load(), c.failures) << row;
        EXPECT_EQ(FakeCameraCounters().opens, 1u) << row;
        EXPECT_EQ(FakeCameraCounters().closes, 1u) << row;
        EXPECT_EQ(FakeCameraCounters().device, EZUSB_DEVICE_PATH) << row;
        if (c.notices == 0)
            continue;
        if (!c.takes) {
            uint32_t number = 0;
            ASSERT_TRUE(TakeFrame(&live.slot, window.raw.data(), window.bits.data(), &number));
            EXPECT_EQ(number, 3u);
        }
        EXPECT_EQ(window.raw, FakeFrame(c.last)) << row;
        std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES);
        ConvertFrame(window.raw.data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
        EXPECT_EQ(window.bits, bits) << row;
    }
}

// Paused from the start, the camera is never asked; the stop still ends it.
TEST(LiveCaptureTest, PausedAsksTheCameraNothing)
{
    SetFakeCamera({});
    LiveCapture live;
    live.seam = FakeCameraSeam();
    live.device = EZUSB_DEVICE_PATH;
    live.paused = true;
    live.tell_window = [](void *) { ADD_FAILURE() << "told while paused"; };
    live.window = NULL;
    std::thread capture(RunLiveCapture, &live);
    while (live.state.load() != LIVE_PAUSED)
        std::this_thread::yield();
    RaiseStop(&live.stop);
    capture.join();
    EXPECT_EQ(FakeCameraCounters().takes, 0u);
}

}  // namespace

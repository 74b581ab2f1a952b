// kavroview's platform-free parts: the newest-frame slot, zoom fitting,
// the frame rate over the last second, snapshot numbers and the command
// line.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ezusb_device.h"
#include "frame_slot.h"
#include "rate_meter.h"
#include "snapshot.h"
#include "view_options.h"
#include "zoom.h"

namespace {

// 'p': the capture thread puts frame n (its number n, its bytes all n);
// 't': the window takes. expected: after a put, whether the window is to be
// told; after a take, the number taken (0: nothing new).
struct SlotCase {
    const char *steps;
    std::vector<uint32_t> expected;
};

TEST(FrameSlotTest, NewestFrameWinsAndOneNoticeIsOut)
{
    const SlotCase cases[] = {
        {"pt", {1, 1}},
        {"ppt", {1, 0, 2}},      // the second put is not told: the first notice is out
        {"pppt", {1, 0, 0, 3}},  // no queue: only the newest is taken
        {"ptt", {1, 1, 0}},      // a second take finds nothing new
        {"ptpt", {1, 1, 1, 2}},  // once taken, the next put is told again
        {"tpt", {0, 1, 1}},      // a take before any frame finds nothing
        {"pptpt", {1, 0, 2, 1, 3}},
    };
    for (const SlotCase &c : cases) {
        FrameSlot slot;
        uint32_t put = 0;
        std::vector<uint32_t> got;
        for (const char *step = c.steps; *step != '\0'; ++step) {
            if (*step == 'p') {
                ++put;
                std::vector<uint8_t> raw(RAW_FRAME_BYTES, static_cast<uint8_t>(put));
                std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES, static_cast<uint8_t>(put + 100));
                got.push_back(PutFrame(&slot, raw.data(), bits.data(), put) == SLOT_TELL_WINDOW);
                continue;
            }
            std::vector<uint8_t> raw(RAW_FRAME_BYTES, 0xEE), bits(DISPLAY_IMAGE_BYTES, 0xEE);
            uint32_t number = 0;
            if (!TakeFrame(&slot, raw.data(), bits.data(), &number)) {
                got.push_back(0);
                EXPECT_EQ(raw, std::vector<uint8_t>(RAW_FRAME_BYTES, 0xEE)) << c.steps;
                continue;
            }
            got.push_back(number);
            EXPECT_EQ(raw, std::vector<uint8_t>(RAW_FRAME_BYTES, static_cast<uint8_t>(number)))
                << c.steps;
            EXPECT_EQ(bits,
                      std::vector<uint8_t>(DISPLAY_IMAGE_BYTES, static_cast<uint8_t>(number + 100)))
                << c.steps;
        }
        EXPECT_EQ(got, c.expected) << c.steps;
    }
}

TEST(ZoomTest, LargestZoomThatFits)
{
    const struct {
        int width, height, zoom;
    } cases[] = {
        {0, 0, 1},      {96, 72, 1},    {191, 200, 1}, {192, 144, 2}, {384, 288, 4},
        {383, 288, 3},  {384, 287, 3},  {767, 576, 7}, {768, 576, 8}, {4000, 3000, 8},
        {1000, 300, 4}, {300, 1000, 3}, {-5, 100, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FitZoom(c.width, c.height), c.zoom) << c.width << " x " << c.height;
}

TEST(ZoomTest, PictureCentredAndClamped)
{
    const struct {
        int width, height, zoom;
        PicturePlace place;
    } cases[] = {
        {384, 288, 4, {0, 0, 384, 288}},   {400, 300, 4, {8, 6, 384, 288}},
        {300, 200, 1, {102, 64, 96, 72}},  // a window wider than the picture
        {301, 201, 2, {54, 28, 192, 144}}, {96, 72, 2, {-48, -36, 192, 144}},
    };
    for (const auto &c : cases) {
        PicturePlace place = PlacePicture(c.width, c.height, c.zoom);
        EXPECT_EQ(place.x, c.place.x) << c.width;
        EXPECT_EQ(place.y, c.place.y) << c.width;
        EXPECT_EQ(place.width, c.place.width) << c.width;
        EXPECT_EQ(place.height, c.place.height) << c.width;
    }
    const int clamped[][2] = {{-3, 1}, {0, 1}, {1, 1}, {5, 5}, {8, 8}, {9, 8}};
    for (const auto &c : clamped)
        EXPECT_EQ(ClampZoom(c[0]), c[1]) << c[0];
}

TEST(RateMeterTest, FramesOverTheLastSecond)
{
    const struct {
        std::vector<int64_t> frames_us;
        int64_t now_us;
        int rate;
    } cases[] = {
        {{}, 5000000, 0},
        {{0, 100000, 200000}, 200000, 3},
        {{0, 500000, 1000000}, 1000000, 2},  // the frame a whole second old is out
        {{0, 500000, 999999}, 999999, 3},
        {{0, 500000, 999999}, 2500000, 0},             // frames stopped: the rate falls to 0
        {{10, 20, 30, 1000015, 1000016}, 1000016, 4},  // 10 is out, 20 still in
    };
    for (const auto &c : cases) {
        RateMeter meter;
        for (int64_t t : c.frames_us)
            CountFrame(&meter, t);
        EXPECT_EQ(FramesInLastSecond(&meter, c.now_us), c.rate) << c.now_us;
    }
    // 30 frames a second for five seconds: 30 in every last second.
    RateMeter meter;
    for (int i = 0; i < 150; ++i)
        CountFrame(&meter, i * 1000000 / 30 + 7);
    EXPECT_EQ(FramesInLastSecond(&meter, 149 * 1000000 / 30 + 7), 30);
}

TEST(SnapshotNamesTest, NumberingGoesOnFromTheHighest)
{
    const struct {
        std::vector<std::string> names;
        uint32_t next;
    } cases[] = {
        {{}, 1},
        {{"kavro001.png", "kavro001.bin"}, 2},
        {{"kavro007.bin", "kavro003.png"}, 8},  // a lone raw file still takes its number
        {{"KAVRO012.PNG", "Kavro002.Bin"}, 13},
        {{"kavro1000.png", "kavro999.bin"}, 1001},
        {{"kavro01.png", "kavro005.bmp", "xkavro010.png", "kavro0a1.png", "kavro004.png.tmp",
          "kavro-20260101-120000.avi", "kavro1234567890.png"},
         1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NextSnapshotNumber(c.names), c.next) << ::testing::PrintToString(c.names);
    EXPECT_EQ(SnapshotStem(1), "kavro001");
    EXPECT_EQ(SnapshotStem(1234), "kavro1234");
}

TEST(ViewOptionsTest, CommandLine)
{
    const struct {
        std::vector<std::string> args;
        ViewArguments result;
        std::string device, folder, culprit;
    } cases[] = {
        {{"kavroview"}, VIEW_ARGUMENTS_OK, EZUSB_DEVICE_PATH, "", ""},
        {{"kavroview", "-d", "3"}, VIEW_ARGUMENTS_OK, "\\\\.\\ezusb-3", "", ""},
        {{"kavroview", "-d", "\\\\.\\cam", "."}, VIEW_ARGUMENTS_OK, "\\\\.\\cam", ".", ""},
        {{"kavroview", ".", "-d", "0"}, VIEW_ARGUMENTS_OK, "\\\\.\\ezusb-0", ".", ""},
        {{"kavroview", "-d"}, VIEW_BAD_DEVICE, "", "", "-d"},
        {{"kavroview", "-d", "12"}, VIEW_BAD_DEVICE, "", "", "12"},
        {{"kavroview", "-d", ""}, VIEW_BAD_DEVICE, "", "", ""},
        {{"kavroview", "-d", "foo"}, VIEW_BAD_DEVICE, "", "", "foo"},
        {{"kavroview", "-d", "\\\\.\\"}, VIEW_BAD_DEVICE, "", "", "\\\\.\\"},
        {{"kavroview", "-x"}, VIEW_UNKNOWN_OPTION, "", "", "-x"},
        {{"kavroview", "--help"}, VIEW_HELP, "", "", ""},
        {{"kavroview", ".", "-h"}, VIEW_HELP, "", "", ""},
        {{"kavroview", "/?", "-x"}, VIEW_HELP, "", "", ""},
        {{"kavroview", "-x", "/?"}, VIEW_UNKNOWN_OPTION, "", "", "-x"},
        {{"kavroview", ".", "."}, VIEW_TOO_MANY, "", "", "."},
        {{"kavroview", "no such folder here"}, VIEW_NO_FOLDER, "", "", "no such folder here"},
        {{"kavroview", ""}, VIEW_NO_FOLDER, "", "", ""},
    };
    for (const auto &c : cases) {
        ViewOptions options;
        std::string culprit = "unset";
        const std::string shown = ::testing::PrintToString(c.args);
        ASSERT_EQ(ParseViewArguments(c.args, &options, &culprit), c.result) << shown;
        EXPECT_EQ(culprit, c.culprit) << shown;
        if (c.result == VIEW_ARGUMENTS_OK) {
            EXPECT_EQ(options.device, c.device) << shown;
            EXPECT_EQ(options.folder, c.folder) << shown;
        }
    }
}

}  // namespace

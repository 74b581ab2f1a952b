// The camera's side against the scripted camera behind a gate: each take
// waits for the test to let it through, so the test decides how many
// frames come and sees when the feed is idle; and the status and the page.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <algorithm>
#include <functional>
#include <future>
#include <gtest/gtest.h>

#include "ezusb_device.h"
#include "fake_camera.h"
#include "frame.h"
#include "frame_feed.h"
#include "hang_limit.h"
#include "jpeg_picture.h"
#include "status_page.h"

namespace {

struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int permits, asks, closes;
    bool waiting;  // a take waits for a permit
    bool deaf;     // a driver that keeps its request whatever the stop
    TakeAsk last;
} gate;

CameraOutcome GatedTake(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                        uint32_t *got, FrameStamp *stamp)
{
    std::unique_lock<std::mutex> hold(gate.lock);
    gate.asks++;
    gate.last = ask;
    gate.waiting = true;
    gate.changed.notify_all();
    while (gate.permits == 0) {
        if (!gate.deaf && StopRaised(stop)) {
            gate.waiting = false;
            return CAMERA_STOPPED;
        }
        gate.changed.wait_for(hold, std::chrono::milliseconds(5));
    }
    gate.permits--;
    gate.waiting = false;
    hold.unlock();
    return FakeCameraSeam().take_frame(camera, ask, stop, frame, got, stamp);
}

void GatedClose(void *camera)
{
    FakeCameraSeam().close(camera);
    std::lock_guard<std::mutex> hold(gate.lock);
    gate.closes++;
    gate.changed.notify_all();
}

class FeedTest : public ::testing::Test {
protected:
    void Start(const std::vector<FakeStep> &steps, int fps = 0, bool deaf = false)
    {
        SetFakeCamera(steps);
        gate.permits = gate.asks = gate.closes = 0;
        gate.waiting = false;
        gate.deaf = deaf;
        CameraSeam seam = FakeCameraSeam();
        seam.take_frame = GatedTake;
        seam.close = GatedClose;
        feed = StartFeed(seam, FeedSettings{EZUSB_DEVICE_PATH, fps, 80}, Woken, this);
        ASSERT_NE(feed, nullptr);
    }
    void Stop() { StopFeed(feed), feed = NULL; }
    void TearDown() override { feed ? Stop() : void(); }
    void Let(int takes)
    {
        std::lock_guard<std::mutex> hold(gate.lock);
        gate.permits += takes;
        gate.changed.notify_all();
    }
    void WaitGate(std::function<bool()> holds)
    {
        std::unique_lock<std::mutex> hold(gate.lock);
        ASSERT_TRUE(gate.changed.wait_for(hold, std::chrono::milliseconds(HANG_MS), holds));
    }
    // The state once it holds, woken by the feed; the bound only fails a hang.
    FeedState WaitState(std::function<bool(const FeedState &)> holds)
    {
        std::unique_lock<std::mutex> hold(wake_lock);
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(HANG_MS);
        FeedState state = ReadFeed(feed);
        while (!holds(state) && woken.wait_until(hold, until) == std::cv_status::no_timeout)
            state = ReadFeed(feed);
        EXPECT_TRUE(holds(state));
        return state;
    }
    FeedState WaitFrames(uint64_t frames)
    {
        return WaitState([=](const FeedState &s) { return s.frames_taken == frames; });
    }
    static void Woken(void *context)
    {
        FeedTest *test = static_cast<FeedTest *>(context);
        std::lock_guard<std::mutex> hold(test->wake_lock);
        test->wakes++;
        test->woken.notify_all();
    }

    FrameFeed *feed = NULL;
    std::mutex wake_lock;
    std::condition_variable woken;
    int wakes = 0;
};

TEST_F(FeedTest, CameraOpenOnlyWhileWatched)
{
    Start({});
    Stop();
    EXPECT_EQ(FakeCameraCounters().opens, 0u);
    Start({});
    WatchFeed(feed, 1);
    Let(1);
    WaitFrames(1);
    WatchFeed(feed, 0);
    Let(1);  // for a take that began before
    WaitGate([] { return gate.closes == 1; });
    int asks = gate.asks;
    Stop();
    EXPECT_EQ(gate.asks, asks);  // none unwatched
    EXPECT_EQ(FakeCameraCounters().opens, 1u);
    EXPECT_EQ(FakeCameraCounters().device, EZUSB_DEVICE_PATH);
}

TEST_F(FeedTest, EachFrameEncodedOnceNewestKept)
{
    Start({}, 4);
    WatchFeed(feed, 3);
    Let(1);
    FramePtr first = WaitFrames(1).newest;
    Let(2);
    FeedState state = WaitFrames(3);
    ASSERT_TRUE(state.newest);
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(FakeFrame(2).data(), bits, FRAME_WIDTH, FRAME_HEIGHT);
    std::vector<uint8_t> jpeg;
    EncodeJpeg(bits, FRAME_WIDTH, FRAME_HEIGHT, 80, ExifFacts(), &jpeg);
    EXPECT_EQ(state.newest->jpeg, jpeg);
    const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0};
    EXPECT_EQ(std::search(jpeg.begin(), jpeg.end(), exif, exif + 6), jpeg.end());
    EXPECT_EQ(jpeg[3], 0xE0);  // JFIF
    EXPECT_EQ(state.newest->raw, FakeFrame(2));
    EXPECT_EQ(state.newest->sequence, 3u);
    EXPECT_EQ(ReadFeed(feed).newest, state.newest);
    EXPECT_EQ(first.use_count(), 1);  // the feed let it go
    WaitGate([] { return gate.waiting; });
    EXPECT_EQ(gate.last.kind, TAKE_NEXT);
    EXPECT_EQ(gate.last.interval_ms, 250u);
    EXPECT_TRUE(gate.last.again);
    Stop();
    EXPECT_EQ(FakeCameraCounters().frames, 3u);
}

TEST_F(FeedTest, FreshAsksTakeFreshFrames)
{
    struct {
        std::vector<FakeStep> steps;
        int watchers;
        std::vector<TakeKind> kinds;
        int frame;  // FakeFrame's number of the answer, -1: none
    } cases[] = {
        {{}, 0, {TAKE_FRESH, TAKE_FRESH}, 1},
        {{}, 1, {TAKE_NEXT, TAKE_FRESH}, 1},  // the second answers both asks
        {{{CAMERA_NOT_FOUND, 0}, {CAMERA_NOT_FOUND, 0}}, 0, {TAKE_FRESH, TAKE_FRESH}, -1},
        {{{CAMERA_TIMED_OUT, 0}, {CAMERA_HELD, 0}}, 0, {TAKE_FRESH, TAKE_FRESH}, -1},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << test.watchers << " " << test.frame);
        Start(test.steps);
        WatchFeed(feed, test.watchers);
        if (test.watchers > 0)
            WaitGate([] { return gate.waiting; });
        AskFreshFrame(feed);
        WaitGate([] { return gate.waiting; });  // a take began before the next ask
        uint64_t ticket = AskFreshFrame(feed);
        Let(2);
        FeedState state = WaitState([=](const FeedState &s) { return s.fresh_ticket == ticket; });
        EXPECT_EQ(state.camera_present, test.frame >= 0);
        EXPECT_EQ(state.fresh ? state.fresh->raw : std::vector<uint8_t>(),
                  test.frame >= 0 ? FakeFrame(test.frame) : std::vector<uint8_t>());
        EXPECT_EQ(state.newest, state.fresh);
        WatchFeed(feed, 0);
        Stop();
        EXPECT_EQ(FakeCameraCounters().kinds, test.kinds);
    }
}

TEST_F(FeedTest, CameraGoneThenBack)
{
    Start({{CAMERA_NOT_FOUND, 0}, {CAMERA_REQUEST_FAILED, 0}});
    WatchFeed(feed, 1);
    Let(1);
    EXPECT_FALSE(WaitState([](const FeedState &s) { return !s.camera_present; }).newest);
    Let(2);
    FeedState state = WaitFrames(1);
    EXPECT_TRUE(state.camera_present);
    EXPECT_EQ(state.newest->raw, FakeFrame(0));
    Stop();
    EXPECT_EQ(FakeCameraCounters().takes, 3u);
}

TEST_F(FeedTest, StopsWhileTheDriverHoldsTheTake)
{
    Start({}, 0, true);
    WatchFeed(feed, 1);
    WaitGate([] { return gate.waiting; });
    auto stopping = std::async(std::launch::async, [this] { Stop(); });
    ASSERT_EQ(stopping.wait_for(std::chrono::milliseconds(HANG_MS)), std::future_status::ready);
    WaitGate([] { return gate.waiting; });  // StopFeed returned with the take still out
    Let(1);
    WaitGate([] { return gate.closes == 1; });
    std::lock_guard<std::mutex> hold(wake_lock);
    EXPECT_EQ(wakes, 0);  // the late frame woke nobody
}

TEST_F(FeedTest, NoCameraPicture)
{
    Start({});
    FramePtr picture = NoCameraPicture(feed);
    EXPECT_EQ(picture->sequence, 0u);
    EXPECT_TRUE(picture->raw.empty());
    int width = 0, height = 0, channels = 0;
    stbi_uc *pixels = stbi_load_from_memory(picture->jpeg.data(), (int)picture->jpeg.size(), &width,
                                            &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width * 100 + height, 96 * 100 + 72);
    EXPECT_NEAR(pixels[0], 0x30, 8);                                          // dark grey
    EXPECT_GT(*std::max_element(pixels, pixels + width * height * 3), 0xD0);  // white text
    stbi_image_free(pixels);
}

TEST(StatusPage, StatusJson)
{
    struct {
        StatusFacts facts;
        const char *json;
    } cases[] = {
        {{"\\\\.\\ezusb-0", true, 1234, 2, 12.34, 3456789, "1.2.3"},
         "{\"camera\":\"\\\\\\\\.\\\\ezusb-0\",\"present\":true,\"frames\":1234,\"clients\":2,"
         "\"fps\":12.3,\"uptime\":3.5,\"version\":\"1.2.3\"}\n"},
        {{"a\"b\n\xFF", false, 0, 0, 0.0, 0, ""},
         "{\"camera\":\"a\\\"b\\n\xEF\xBF\xBD\",\"present\":false,\"frames\":0,\"clients\":0,"
         "\"fps\":0.0,\"uptime\":0.0,\"version\":\"\"}\n"},
        {{"x", true, 18446744073709551615u, 16, 29.96, 86400049999, "2"},
         "{\"camera\":\"x\",\"present\":true,\"frames\":18446744073709551615,\"clients\":16,"
         "\"fps\":30.0,\"uptime\":86400.0,\"version\":\"2\"}\n"},
    };
    for (const auto &test : cases)
        EXPECT_EQ(StatusJson(test.facts), test.json);
}

TEST(StatusPage, PageHoldsItselfAndReadsRelativeAddresses)
{
    const std::string &page = PageHtml();
    EXPECT_EQ(page.compare(0, 15, "<!DOCTYPE html>"), 0);
    for (const char *part : {"<title>kavroserve</title>", "<img id=\"view\"",
                             "fetch(\"stream\" + tail", "fetch(\"status\" + tail"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    // Nothing from elsewhere, no handler in the markup, one script.
    for (const char *elsewhere :
         {"http:", "https:", "\"//", "src=\"/", " onload=", " onerror=", " onclick="})
        EXPECT_EQ(page.find(elsewhere), std::string::npos) << elsewhere;
    EXPECT_EQ(page.find("<script"), page.rfind("<script"));
}

}  // namespace

// The camera's side against the scripted camera behind a gate: each take
// waits for the test to let it through, so the test decides how many
// frames come and sees when the feed is idle.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <mutex>

#include "ezusb_device.h"
#include "fake_camera.h"
#include "frame.h"
#include "frame_feed.h"
#include "hang_limit.h"
#include "jpeg_picture.h"

namespace {

struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    int permits = 0, asks = 0, closes = 0;
    bool waiting = false;  // a take waits for a permit
    bool deaf = false;     // a driver that keeps its request whatever the stop
    TakeAsk last;
} gate;

CameraOutcome GatedTake(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                        uint32_t *got, FrameStamp *stamp)
{
    {
        std::unique_lock<std::mutex> hold(gate.lock);
        gate.asks++;
        gate.last = ask;
        gate.waiting = true;
        gate.changed.notify_all();
        while (gate.permits == 0) {
            if (!gate.deaf && StopRaised(stop)) {
                gate.waiting = false;
                *got = 0;
                return CAMERA_STOPPED;
            }
            gate.changed.wait_for(hold, std::chrono::milliseconds(5));
        }
        gate.permits--;
        gate.waiting = false;
    }
    return FakeCameraSeam().take_frame(camera, ask, stop, frame, got, stamp);
}

void GatedClose(void *camera)
{
    FakeCameraSeam().close(camera);
    std::lock_guard<std::mutex> hold(gate.lock);
    gate.closes++;
    gate.changed.notify_all();
}

std::vector<uint8_t> Jpeg(const std::vector<uint8_t> &raw)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw.data(), bits, FRAME_WIDTH, FRAME_HEIGHT);
    std::vector<uint8_t> jpeg;
    EXPECT_EQ(EncodeJpeg(bits, FRAME_WIDTH, FRAME_HEIGHT, 80, ExifFacts(), &jpeg), JPEG_ENCODED);
    return jpeg;
}

// The markers of the segments before the picture's data.
std::vector<int> Segments(const std::vector<uint8_t> &jpeg)
{
    std::vector<int> markers;
    for (size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;
         at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]))
        markers.push_back(jpeg[at + 1]);
    return markers;
}

class FeedTest : public ::testing::Test {
protected:
    void Start(const std::vector<FakeStep> &steps, int fps = 0)
    {
        SetFakeCamera(steps);
        gate.permits = gate.asks = gate.closes = 0;
        gate.waiting = gate.deaf = false;
        CameraSeam seam = FakeCameraSeam();
        seam.take_frame = GatedTake;
        seam.close = GatedClose;
        feed = StartFeed(seam, FeedSettings{EZUSB_DEVICE_PATH, fps, 80}, Woken, this);
        ASSERT_NE(feed, nullptr);
    }
    void Stop()
    {
        StopFeed(feed);
        feed = NULL;
    }
    void TearDown() override
    {
        if (feed != NULL)
            Stop();
    }
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

TEST_F(FeedTest, NothingOpenedUnwatched)
{
    Start({});
    Stop();
    EXPECT_EQ(FakeCameraCounters().opens, 0u);
    EXPECT_EQ(FakeCameraCounters().takes, 0u);
}

TEST_F(FeedTest, ClosedWhenNobodyWatches)
{
    Start({});
    WatchFeed(feed, 1);
    Let(1);
    WaitState([](const FeedState &state) { return state.frames_taken == 1; });
    WatchFeed(feed, 0);
    Let(1);  // for a take that began before
    WaitGate([] { return gate.closes == 1; });
    int asks = gate.asks;
    Stop();
    EXPECT_EQ(gate.asks, asks);
    EXPECT_EQ(FakeCameraCounters().opens, 1u);
    EXPECT_EQ(FakeCameraCounters().device, EZUSB_DEVICE_PATH);
}

TEST_F(FeedTest, EachFrameEncodedOnceNewestKept)
{
    Start({}, 4);
    WatchFeed(feed, 3);
    Let(1);
    FramePtr first = WaitState([](const FeedState &s) { return s.frames_taken == 1; }).newest;
    Let(2);
    FeedState state = WaitState([](const FeedState &s) { return s.frames_taken == 3; });
    ASSERT_TRUE(state.newest);
    EXPECT_EQ(state.newest->sequence, 3u);
    EXPECT_EQ(state.newest->raw, FakeFrame(2));
    EXPECT_EQ(state.newest->jpeg, Jpeg(FakeFrame(2)));
    EXPECT_EQ(Segments(state.newest->jpeg), (std::vector<int>{0xE0, 0xDB, 0xC0, 0xC4}));
    EXPECT_EQ(ReadFeed(feed).newest, state.newest);
    EXPECT_EQ(first.use_count(), 1);  // the feed let it go
    EXPECT_TRUE(state.camera_present);
    WaitGate([] { return gate.waiting; });
    EXPECT_EQ(gate.last.kind, TAKE_NEXT);
    EXPECT_EQ(gate.last.interval_ms, 250u);
    EXPECT_TRUE(gate.last.again);
    EXPECT_EQ(gate.last.timeout_ms, 2000u);
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
        {{}, 0, {TAKE_FRESH}, 0},
        {{}, 1, {TAKE_NEXT, TAKE_FRESH}, 1},
        {{{CAMERA_NOT_FOUND, 0}}, 0, {TAKE_FRESH}, -1},
        {{{CAMERA_TIMED_OUT, 0}}, 0, {TAKE_FRESH}, -1},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << test.watchers << " " << test.frame);
        Start(test.steps);
        WatchFeed(feed, test.watchers);
        if (test.watchers > 0)
            WaitGate([] { return gate.waiting; });
        AskFreshFrame(feed);
        uint64_t ticket = AskFreshFrame(feed);
        Let((int)test.kinds.size());
        FeedState state = WaitState([=](const FeedState &s) { return s.fresh_ticket == ticket; });
        EXPECT_EQ(state.camera_present, test.frame >= 0);
        if (test.frame >= 0) {
            ASSERT_TRUE(state.fresh);
            EXPECT_EQ(state.fresh->raw, FakeFrame(test.frame));
            EXPECT_EQ(state.newest, state.fresh);
        } else {
            EXPECT_FALSE(state.fresh);
        }
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
    FeedState state =
        WaitState([](const FeedState &s) { return s.camera_present && s.frames_taken == 1; });
    ASSERT_TRUE(state.newest);
    EXPECT_EQ(state.newest->raw, FakeFrame(0));
    Stop();
    EXPECT_EQ(FakeCameraCounters().takes, 3u);
}

TEST_F(FeedTest, StopsWhileTheDriverHoldsTheTake)
{
    Start({});
    {
        std::lock_guard<std::mutex> hold(gate.lock);
        gate.deaf = true;
    }
    WatchFeed(feed, 1);
    WaitGate([] { return gate.waiting; });
    auto stopping = std::async(std::launch::async, [this] { Stop(); });
    ASSERT_EQ(stopping.wait_for(std::chrono::milliseconds(HANG_MS)), std::future_status::ready);
    {
        std::lock_guard<std::mutex> hold(gate.lock);
        EXPECT_TRUE(gate.waiting);  // StopFeed returned with the take still out
    }
    Let(1);
    WaitGate([] { return gate.closes == 1; });
    std::lock_guard<std::mutex> hold(wake_lock);
    EXPECT_EQ(wakes, 0);  // the late frame woke nobody
}

TEST_F(FeedTest, NoCameraPicture)
{
    Start({});
    FramePtr picture = NoCameraPicture(feed);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->sequence, 0u);
    EXPECT_TRUE(picture->raw.empty());
    int width = 0, height = 0, channels = 0;
    stbi_uc *pixels = stbi_load_from_memory(picture->jpeg.data(), (int)picture->jpeg.size(), &width,
                                            &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width * 100 + height, 96 * 100 + 72);
    int brightest = 0;
    for (int i = 0; i < width * height * 3; i++)
        brightest = std::max(brightest, (int)pixels[i]);
    EXPECT_NEAR(pixels[0], 0x30, 8);  // dark grey
    EXPECT_GT(brightest, 0xD0);       // and the white text
    stbi_image_free(pixels);
}

}  // namespace

// The camera's thread against a fake conversation whose request can be held
// until the test lets it go: what each take returns, what reaches the
// caller's frame, what the fake was sent, and what is freed when.
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_thread.h"
#include "frame.h"
#include "hang_limit.h"

namespace {

const uint8_t SENTINEL = 0x5A;
const uint32_t SENTINEL_GOT = 0xDEADBEEF;
const uint32_t SHORT_MS = 20;

// A conversation of two requests: the first (the vendor request) may be
// held until released, or until cancelled when cancels are honoured; the
// second (the read) fills the frame with the run's number.
struct FakeConversation {
    std::mutex lock;
    std::condition_variable changed;
    bool hold = false;            // the first request waits for release
    bool honours_cancel = false;  // a cancel ends a held request
    bool released = false;
    bool cancelled = false;
    CameraOutcome outcome = CAMERA_FRAME;
    uint32_t got = RAW_FRAME_BYTES;
    int runs = 0;         // runs started
    int in_run = 0;       // runs at work now
    int most_in_run = 0;  // most runs at work at once
    int reads = 0;        // second requests sent
    int cancels = 0;
    int frees = 0;
};

CameraOutcome FakeRun(void *context, const std::atomic<bool> *given_up, uint8_t *frame,
                      uint32_t *got)
{
    FakeConversation *fake = static_cast<FakeConversation *>(context);
    std::unique_lock<std::mutex> hold(fake->lock);
    int run = ++fake->runs;
    fake->most_in_run = std::max(fake->most_in_run, ++fake->in_run);
    fake->changed.notify_all();
    fake->changed.wait(hold, [fake] {
        return !fake->hold || fake->released || (fake->honours_cancel && fake->cancelled);
    });
    fake->in_run--;
    fake->changed.notify_all();
    if (given_up->load())
        return CAMERA_REQUEST_FAILED;
    fake->reads++;
    memset(frame, 0x10 + run, fake->got);
    *got = fake->got;
    return fake->outcome;
}

void FakeCancel(void *context)
{
    FakeConversation *fake = static_cast<FakeConversation *>(context);
    std::lock_guard<std::mutex> hold(fake->lock);
    fake->cancels++;
    fake->cancelled = true;
    fake->changed.notify_all();
}

void FakeRelease(void *context)
{
    FakeConversation *fake = static_cast<FakeConversation *>(context);
    std::lock_guard<std::mutex> hold(fake->lock);
    fake->frees++;
    fake->changed.notify_all();
}

class CameraThreadTest : public ::testing::Test {
protected:
    FakeConversation fake;
    CameraThread *camera = NULL;
    std::vector<uint8_t> frame = std::vector<uint8_t>(RAW_FRAME_BYTES, SENTINEL);
    uint32_t got = SENTINEL_GOT;

    void SetUp() override
    {
        camera = StartCameraThread({&fake, FakeRun, FakeCancel, FakeRelease});
        ASSERT_TRUE(camera != NULL);
    }

    // The fake outlives the thread: every test ends with it freed once.
    void TearDown() override
    {
        if (camera != NULL)
            EndCameraThread(camera);
        Release();
        ASSERT_TRUE(WaitFor([this] { return fake.frees > 0; }));
        EXPECT_EQ(1, fake.frees);
    }

    CameraOutcome Take(uint32_t timeout_ms, StopSignal *stop = NULL)
    {
        got = SENTINEL_GOT;
        return TakeFrameOnThread(camera, timeout_ms, stop, frame.data(), &got);
    }

    void Release()
    {
        std::lock_guard<std::mutex> hold(fake.lock);
        fake.released = true;
        fake.changed.notify_all();
    }

    // Waits (bounded) until the fake's state satisfies done.
    template <typename Done> bool WaitFor(Done done)
    {
        std::unique_lock<std::mutex> hold(fake.lock);
        return fake.changed.wait_for(hold, std::chrono::milliseconds(HANG_MS), done);
    }

    // Takes until the camera is no longer held (up to HANG_MS).
    CameraOutcome TakeOnceFree()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(HANG_MS);
        CameraOutcome outcome = Take(HANG_MS);
        while (outcome == CAMERA_HELD && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            outcome = Take(HANG_MS);
        }
        return outcome;
    }

    // Every byte is SENTINEL (untouched), or what run number run read.
    void ExpectFrame(int byte)
    {
        for (size_t i = 0; i < frame.size(); i++)
            ASSERT_EQ(byte, frame[i]) << "byte " << i;
    }
};

struct AnswerCase {
    const char *name;
    CameraOutcome run_outcome;
    uint32_t run_got;
    CameraOutcome outcome;
    uint32_t got;
    bool frame_written;
};

// What the run answers in time reaches the caller as it is; the frame only
// when whole.
const AnswerCase ANSWERS[] = {
    {"whole frame", CAMERA_FRAME, RAW_FRAME_BYTES, CAMERA_FRAME, RAW_FRAME_BYTES, true},
    {"short read", CAMERA_SHORT_READ, 5000, CAMERA_SHORT_READ, 5000, false},
    {"failed read", CAMERA_REQUEST_FAILED, 0, CAMERA_REQUEST_FAILED, 0, false},
    {"no device", CAMERA_NOT_FOUND, 0, CAMERA_NOT_FOUND, 0, false},
};

TEST_F(CameraThreadTest, AnswersInTimeReachTheCallerOnTheSameThreadEachTime)
{
    int run = 0;
    for (const AnswerCase &answer : ANSWERS) {
        SCOPED_TRACE(answer.name);
        fake.outcome = answer.run_outcome;
        fake.got = answer.run_got;
        std::fill(frame.begin(), frame.end(), SENTINEL);
        EXPECT_EQ(answer.outcome, Take(HANG_MS));
        EXPECT_EQ(answer.got, got);
        run++;
        ExpectFrame(answer.frame_written ? 0x10 + run : SENTINEL);
    }
    EXPECT_EQ(run, fake.runs);
    EXPECT_EQ(1, fake.most_in_run);
    EXPECT_EQ(0, fake.cancels);
    // With no run out, closing frees everything before it returns.
    EndCameraThread(camera);
    camera = NULL;
    EXPECT_EQ(1, fake.frees);
}

struct LateCase {
    const char *name;
    bool honours_cancel;
    bool stopped;  // the stop signal comes first, not the time-out
    CameraOutcome outcome;
    bool abandoned;  // later takes are held until the run comes back
};

const LateCase LATE[] = {
    {"time-out, cancel honoured", true, false, CAMERA_TIMED_OUT, false},
    {"time-out, cancel ignored", false, false, CAMERA_STUCK, true},
    {"stop, cancel honoured", true, true, CAMERA_STOPPED, false},
    {"stop, cancel ignored", false, true, CAMERA_STOPPED, true},
};

// A run held in its request: the take returns while the run is still held
// (no timer, the fake says so), cancels it once, and the run, when it comes
// back, sends nothing more. An abandoned run holds every take, sending
// nothing, until it returns; then the same thread takes whole frames again.
TEST_F(CameraThreadTest, LateRunsAreCancelledThenAbandonedAndNothingMoreIsSent)
{
    for (const LateCase &late : LATE) {
        SCOPED_TRACE(late.name);
        fake.hold = true;
        fake.honours_cancel = late.honours_cancel;
        fake.released = false;
        fake.cancelled = false;
        int runs_before = fake.runs;
        StopSignal stop;
        std::thread stopper;
        if (late.stopped)
            stopper = std::thread([&] {
                if (WaitFor([&] { return fake.in_run == 1; }))
                    RaiseStop(&stop);
            });
        std::fill(frame.begin(), frame.end(), SENTINEL);

        EXPECT_EQ(late.outcome, Take(late.stopped ? HANG_MS : SHORT_MS, &stop));
        if (stopper.joinable())
            stopper.join();
        EXPECT_EQ(0u, got);
        ExpectFrame(SENTINEL);
        EXPECT_EQ(1, fake.cancels);
        if (late.abandoned) {
            {
                std::lock_guard<std::mutex> hold(fake.lock);
                EXPECT_EQ(1, fake.in_run);
            }
            for (int i = 0; i < 3; i++)
                EXPECT_EQ(CAMERA_HELD, Take(SHORT_MS));
            EXPECT_EQ(0u, got);
            EXPECT_EQ(runs_before + 1, fake.runs);
            Release();
        }
        fake.hold = false;
        ASSERT_EQ(CAMERA_FRAME, TakeOnceFree());
        ExpectFrame(0x10 + runs_before + 2);
        EXPECT_EQ(1, fake.reads);  // the late run's read was never sent
        fake.reads = 0;
        fake.cancels = 0;
    }
    EXPECT_EQ(1, fake.most_in_run);
}

// A driver that never gives its request back: one run out, every later take
// held at once, however many, a stop raised beforehand sending nothing
// either. Closing frees nothing the run uses until it comes back; then the
// thread frees everything (the sanitizers see any use after).
TEST_F(CameraThreadTest, NeverAnsweredRequestKeepsOneRunOutUntilItReturns)
{
    fake.hold = true;
    ASSERT_EQ(CAMERA_STUCK, Take(SHORT_MS));
    for (int i = 0; i < 500; i++)
        ASSERT_EQ(CAMERA_HELD, Take(SHORT_MS)) << "take " << i;
    StopSignal stop;
    RaiseStop(&stop);
    EXPECT_EQ(CAMERA_STOPPED, Take(HANG_MS, &stop));
    EXPECT_EQ(0u, got);
    ExpectFrame(SENTINEL);
    EndCameraThread(camera);
    camera = NULL;
    {
        std::lock_guard<std::mutex> hold(fake.lock);
        EXPECT_EQ(1, fake.runs);
        EXPECT_EQ(1, fake.in_run);
        EXPECT_EQ(1, fake.cancels);
        EXPECT_EQ(0, fake.frees);
    }
    Release();
    ASSERT_TRUE(WaitFor([this] { return fake.frees > 0; }));
    EXPECT_EQ(0, fake.reads);
}

}  // namespace

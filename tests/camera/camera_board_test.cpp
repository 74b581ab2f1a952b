// The shared board and one program's callers, without a camera: two views
// of one mapping at different addresses, a read torn by a writer (made
// deterministic by the hook between copy and check), a writer that died
// while writing, what every program's demand asks of the taker, and which
// caller each result reaches.
#include <stdint.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "camera_board.h"
#include "frame_hub.h"
#include "hang_limit.h"

namespace {

// One mapping, two views, as two programs have.
struct TwoViews {
    CameraBoard *a = NULL;
    CameraBoard *b = NULL;
#ifdef _WIN32
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                        sizeof(CameraBoard), NULL);
    TwoViews()
    {
        a = static_cast<CameraBoard *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
        b = static_cast<CameraBoard *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    }
    ~TwoViews()
    {
        UnmapViewOfFile(a);
        UnmapViewOfFile(b);
        CloseHandle(mapping);
    }
#else
    int fd = memfd_create("board", 0);
    TwoViews()
    {
        if (ftruncate(fd, sizeof(CameraBoard)) != 0)
            return;
        a = static_cast<CameraBoard *>(
            mmap(NULL, sizeof(CameraBoard), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        b = static_cast<CameraBoard *>(
            mmap(NULL, sizeof(CameraBoard), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    }
    ~TwoViews()
    {
        munmap(a, sizeof(CameraBoard));
        munmap(b, sizeof(CameraBoard));
        close(fd);
    }
#endif
};

BoardResult Result(uint64_t sequence)
{
    BoardResult result;
    memset(&result, 0, sizeof result);
    result.sequence = sequence;
    result.monotonic_us = 1000 * static_cast<int64_t>(sequence);
    result.wall_us = 1700000000000000 + static_cast<int64_t>(sequence);
    result.outcome = CAMERA_FRAME;
    result.got = RAW_FRAME_BYTES;
    memset(result.frame, static_cast<int>(sequence), RAW_FRAME_BYTES);
    return result;
}

class BoardTest : public ::testing::Test {
protected:
    TwoViews views;
    void SetUp() override
    {
        ASSERT_TRUE(views.a != NULL && views.b != NULL && views.a != views.b);
        InitBoard(views.a);
    }
    void TearDown() override { g_board_read_hook = NULL; }
};

TEST_F(BoardTest, OneViewWritesWhatTheOtherReadsAtFixedOffsets)
{
    EXPECT_TRUE(BoardIsOurs(views.b));
    PublishResult(views.a, Result(7));
    BoardResult read;
    ASSERT_EQ(BOARD_READ, ReadResult(views.b, &read));
    EXPECT_EQ(0, memcmp(&read, &views.a->result, sizeof read));
    EXPECT_EQ(7u, LoadPublished(views.b));
    uint64_t at_offset;
    memcpy(&at_offset, reinterpret_cast<uint8_t *>(views.b) + 192, sizeof at_offset);
    EXPECT_EQ(7u, at_offset);
}

CameraBoard *g_writer;
int g_hook_calls;

// The writer gets in between the first copy and its check.
void PublishDuringTheFirstRead()
{
    if (++g_hook_calls == 1)
        PublishResult(g_writer, Result(2));
}

TEST_F(BoardTest, AReadTornByAWriterIsRetried)
{
    PublishResult(views.a, Result(1));
    g_writer = views.a;
    g_hook_calls = 0;
    g_board_read_hook = PublishDuringTheFirstRead;
    BoardResult read;
    ASSERT_EQ(BOARD_READ, ReadResult(views.b, &read));
    EXPECT_EQ(2, g_hook_calls);
    EXPECT_EQ(0, memcmp(&read, &views.a->result, sizeof read));
    EXPECT_EQ(2u, read.sequence);
}

TEST_F(BoardTest, AWriterThatDiedMidWriteIsRepairedAndNeverReadForEver)
{
    PublishResult(views.a, Result(3));
    views.a->result_lock |= 1;  // as a taker killed between its two stores leaves it
    BoardResult read;
    EXPECT_EQ(BOARD_TORN, ReadResult(views.b, &read));
    RepairResult(views.b);
    ASSERT_EQ(BOARD_READ, ReadResult(views.a, &read));
    EXPECT_EQ(0u, read.sequence);
    PublishResult(views.b, Result(4));
    ASSERT_EQ(BOARD_READ, ReadResult(views.a, &read));
    EXPECT_EQ(4u, read.sequence);
}

TEST_F(BoardTest, TheTakerRunsForTheLongestWaiterDueNow)
{
    const int64_t NOW = 1000000;
    const struct {
        const char *what;
        std::vector<BoardDemand> slots;  // waiting, reserved, wanted_after, due, deadline
        bool run;
        int64_t deadline_us;
        int64_t next_due_us;
    } cases[] = {
        {"nobody waits", {{0, 0, 5, NOW, NOW + 10}}, false, NOW, INT64_MAX},
        {"satisfied by the newest", {{1, 0, 4, NOW, NOW + 10}}, false, NOW, INT64_MAX},
        {"given up", {{1, 0, 5, NOW, NOW}}, false, NOW, INT64_MAX},
        {"the longest of two",
         {{1, 0, 5, NOW, NOW + 10}, {2, 0, 9, NOW - 5, NOW + 30}},
         true,
         NOW + 30,
         INT64_MAX},
        {"one not due yet",
         {{1, 0, 5, NOW + 40, NOW + 90}, {1, 0, 5, NOW + 20, NOW + 90}},
         false,
         NOW,
         NOW + 20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        InitBoard(views.a);
        PublishResult(views.a, Result(5));
        for (size_t i = 0; i < c.slots.size(); ++i) {
            views.a->slots[i].claimed = 1;
            WriteDemand(&views.a->slots[i], c.slots[i]);
        }
        BoardWants wants = GatherWants(views.b, NOW);
        EXPECT_EQ(c.run, wants.run);
        EXPECT_EQ(c.deadline_us, wants.deadline_us);
        EXPECT_EQ(c.next_due_us, wants.next_due_us);
    }
}

// Callers that wait on threads of their own, each told apart by the
// results it received.
struct Caller {
    HubSubscriber subscriber;
    std::thread thread;
    CameraOutcome outcome = CAMERA_REQUEST_FAILED;
    FrameStamp stamp = {0, 0, 0, 0};
    uint8_t frame[RAW_FRAME_BYTES];
};

class HubTest : public BoardTest {
protected:
    FrameHub hub;
    std::mutex lock;
    std::condition_variable changed;
    int asks = 0;

    static void Asked(void *context)
    {
        HubTest *test = static_cast<HubTest *>(context);
        std::lock_guard<std::mutex> hold(test->lock);
        ++test->asks;
        test->changed.notify_all();
    }
    void SetUp() override
    {
        BoardTest::SetUp();
        hub.demand_changed = Asked;
        hub.context = this;
    }
    void Start(Caller *caller, TakeKind kind)
    {
        caller->thread = std::thread([this, caller, kind] {
            uint32_t got = 0;
            caller->outcome = TakeFromHub(&hub, &caller->subscriber, {kind, HANG_MS, 0, false},
                                          views.b, 0, NULL, caller->frame, &got, &caller->stamp);
        });
    }
    void WaitForWaiting(uint32_t count)
    {
        std::unique_lock<std::mutex> hold(lock);
        ASSERT_TRUE(changed.wait_for(hold, std::chrono::milliseconds(HANG_MS),
                                     [&] { return HubDemand(&hub).waiting == count; }));
    }
    void Deliver(uint64_t sequence)
    {
        BoardResult result = Result(sequence);
        PublishResult(views.a, result);
        DeliverResult(&hub, result);
    }
};

TEST_F(HubTest, NextTakesTheConversationOutAndFreshOnlyALaterOne)
{
    Caller next, fresh;
    Subscribe(&hub, &next.subscriber, 0);
    Subscribe(&hub, &fresh.subscriber, 0);
    BeginConversation(views.a, HANG_MS);  // conversation 1 is out
    Start(&next, TAKE_NEXT);
    Start(&fresh, TAKE_FRESH);
    WaitForWaiting(2);
    EXPECT_EQ(1u, HubDemand(&hub).wanted_after);
    Deliver(1);
    next.thread.join();
    WaitForWaiting(1);
    BeginConversation(views.a, HANG_MS);
    Deliver(2);
    fresh.thread.join();
    EXPECT_EQ(CAMERA_FRAME, next.outcome);
    EXPECT_EQ(1u, next.stamp.sequence);
    EXPECT_EQ(1, next.frame[0]);
    EXPECT_EQ(2u, fresh.stamp.sequence);
    EXPECT_EQ(1u, fresh.stamp.skipped);
    EXPECT_EQ(2000, fresh.stamp.monotonic_us);
    EXPECT_EQ(1700000000000002, fresh.stamp.wall_us);
    Unsubscribe(&hub, &next.subscriber);
    Unsubscribe(&hub, &fresh.subscriber);
}

// A 30-a-second consumer asks for no conversation before its time.
TEST_F(HubTest, ANextCallersRateSaysWhenItWantsTheNextConversation)
{
    Caller slow;
    Subscribe(&hub, &slow.subscriber, 0);
    Start(&slow, TAKE_NEXT);
    WaitForWaiting(1);
    Deliver(1);  // arrived at 1000 us
    slow.thread.join();
    slow.thread = std::thread([&] {
        uint32_t got = 0;
        slow.outcome = TakeFromHub(&hub, &slow.subscriber, {TAKE_NEXT, HANG_MS, 33, false}, views.b,
                                   0, NULL, slow.frame, &got, &slow.stamp);
    });
    WaitForWaiting(1);
    EXPECT_EQ(1000 + 33000, HubDemand(&hub).due_us);
    Deliver(2);
    slow.thread.join();
    EXPECT_EQ(2u, slow.stamp.sequence);
    Unsubscribe(&hub, &slow.subscriber);
}

// A result that came while the caller was away is its next; a caller that
// says another take follows stands for one conversation more.
TEST_F(HubTest, ANextCallerTakesWhatCameWhileAwayAndStandsForOneMore)
{
    HubSubscriber subscriber;
    Subscribe(&hub, &subscriber, 0);
    Deliver(1);
    static uint8_t frame[RAW_FRAME_BYTES];
    uint32_t got = 0;
    FrameStamp stamp;
    ASSERT_EQ(CAMERA_FRAME, TakeFromHub(&hub, &subscriber, {TAKE_NEXT, HANG_MS, 0, true}, views.b,
                                        0, NULL, frame, &got, &stamp));
    EXPECT_EQ(1u, stamp.sequence);
    BoardDemand standing = HubDemand(&hub);
    EXPECT_EQ(1u, standing.waiting);
    EXPECT_EQ(1u, standing.wanted_after);
    Deliver(2);
    ASSERT_EQ(CAMERA_FRAME, TakeFromHub(&hub, &subscriber, {TAKE_NEXT, HANG_MS, 0, false}, views.b,
                                        0, NULL, frame, &got, &stamp));
    EXPECT_EQ(2u, stamp.sequence);
    EXPECT_EQ(0u, HubDemand(&hub).waiting);
    Unsubscribe(&hub, &subscriber);
}

TEST_F(HubTest, EveryResultIsReceivedOrCountedSkippedNoneTwice)
{
    const uint64_t RESULTS = 3000;
    HubSubscriber subscriber;
    Subscribe(&hub, &subscriber, 0);
    std::atomic<bool> done{false};
    std::thread taker([&] {
        for (uint64_t sequence = 1; sequence <= RESULTS; ++sequence)
            Deliver(sequence);
        done = true;
    });
    std::vector<uint64_t> received;
    uint64_t skipped = 0;
    static uint8_t frame[RAW_FRAME_BYTES];
    while (received.empty() || received.back() < RESULTS) {
        FrameStamp stamp;
        uint32_t got = 0;
        CameraOutcome outcome =
            TakeFromHub(&hub, &subscriber, {TAKE_NEXT, done ? 1u : 100u, 0, true}, views.b, 0, NULL,
                        frame, &got, &stamp);
        if (outcome != CAMERA_FRAME) {
            ASSERT_TRUE(done.load() || outcome == CAMERA_TIMED_OUT);
            if (done.load())
                break;
            continue;
        }
        ASSERT_TRUE(received.empty() || stamp.sequence > received.back());
        EXPECT_EQ(static_cast<int>(stamp.sequence & 0xFF), frame[0]);
        received.push_back(stamp.sequence);
        skipped += stamp.skipped;
    }
    taker.join();
    uint64_t last = received.empty() ? 0 : received.back();
    EXPECT_EQ(last, received.size() + skipped);
    Unsubscribe(&hub, &subscriber);
}

}  // namespace

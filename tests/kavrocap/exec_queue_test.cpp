// The --exec queue through its seam: never more than EXEC_MAX_RUNNING at
// once, a bounded wait beyond, a flood dropped and reported, results as the
// seam gives them, and Ctrl+C leaving the waiting ones unrun but the
// running ones to finish.
#include <gtest/gtest.h>

#include <algorithm>

#include "exec_queue.h"
#include "hang_limit.h"

namespace {

// Programs that run until the test opens the gate; a path's last character
// says how each ends: 'x' could not start, 't' timed out, a digit exits
// with it.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool open = false;
    int running = 0, most = 0, started = 0;
    std::vector<ExecResult> results;
};

ExecOutcome GatedRun(void *context, const std::string &command, const std::string &path,
                     int64_t timeout_ms, uint32_t *exit_code, std::string *why)
{
    Gate *gate = static_cast<Gate *>(context);
    EXPECT_EQ("tool --flag", command);
    EXPECT_EQ(2500, timeout_ms);
    std::unique_lock<std::mutex> hold(gate->lock);
    ++gate->started;
    gate->most = std::max(gate->most, ++gate->running);
    gate->changed.notify_all();
    EXPECT_TRUE(gate->changed.wait_for(hold, std::chrono::milliseconds(HANG_MS),
                                       [gate] { return gate->open; }));
    --gate->running;
    char last = path.back();
    if (last == 'x') {
        *why = "not found: tool";
        return EXEC_NOT_STARTED;
    }
    if (last == 't')
        return EXEC_TIMED_OUT;
    *exit_code = static_cast<uint32_t>(last - '0');
    return EXEC_EXITED;
}

void Keep(void *context, const ExecResult &result)
{
    Gate *gate = static_cast<Gate *>(context);
    std::lock_guard<std::mutex> hold(gate->lock);
    gate->results.push_back(result);
    gate->changed.notify_all();
}

class ExecQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartExecQueue(&queue, {GatedRun, &gate}, "tool --flag", 2500, {Keep, &gate});
    }
    void WaitForStarted(int count)
    {
        std::unique_lock<std::mutex> hold(gate.lock);
        ASSERT_TRUE(gate.changed.wait_for(hold, std::chrono::milliseconds(HANG_MS),
                                          [this, count] { return gate.started == count; }));
    }
    void OpenGate()
    {
        std::lock_guard<std::mutex> hold(gate.lock);
        gate.open = true;
        gate.changed.notify_all();
    }
    // "path outcome", sorted.
    std::vector<std::string> Told()
    {
        std::vector<std::string> told;
        for (const ExecResult &r : gate.results)
            told.push_back(r.path + " " + ExecOutcomeText(r));
        std::sort(told.begin(), told.end());
        return told;
    }

    Gate gate;
    ExecQueue queue;
};

TEST_F(ExecQueueTest, AFloodRunsFourAtOnceAndDropsWhatFindsTheQueueFull)
{
    for (int i = 10; i < 14; ++i)
        SubmitExec(&queue, "f" + std::to_string(i) + "-0");
    WaitForStarted(EXEC_MAX_RUNNING);
    for (int i = 14; i < 40; ++i)
        EXPECT_EQ(i < 30, SubmitExec(&queue, "f" + std::to_string(i) + "-0"));
    // Four running, sixteen waiting: the other ten were dropped at once.
    std::vector<std::string> dropped = Told();
    ASSERT_EQ(10u, dropped.size());
    EXPECT_EQ("f30-0 dropped: 4 programs running and 16 waiting", dropped[0]);
    EXPECT_EQ("f39-0 dropped: 4 programs running and 16 waiting", dropped[9]);
    OpenGate();
    FinishExecQueue(&queue, false);
    EXPECT_EQ(EXEC_MAX_RUNNING, gate.most);
    EXPECT_EQ(20, gate.started);
    std::vector<std::string> told = Told();
    ASSERT_EQ(30u, told.size());
    EXPECT_EQ("f10-0 exit code 0", told[0]);
    EXPECT_EQ("f29-0 exit code 0", told[19]);
}

TEST_F(ExecQueueTest, EachResultAsTheProgramEnded)
{
    for (const char *path : {"a-3", "b-x", "c-t", "d-0"})
        SubmitExec(&queue, path);
    OpenGate();
    FinishExecQueue(&queue, false);
    EXPECT_EQ(std::vector<std::string>({"a-3 exit code 3", "b-x could not start: not found: tool",
                                        "c-t timed out", "d-0 exit code 0"}),
              Told());
}

TEST_F(ExecQueueTest, CtrlCLeavesTheWaitingUnrunAndTheRunningToFinish)
{
    for (int i = 0; i < 4; ++i)
        SubmitExec(&queue, "f" + std::to_string(i) + "-1");
    WaitForStarted(EXEC_MAX_RUNNING);
    SubmitExec(&queue, "f4-1");
    SubmitExec(&queue, "f5-1");
    std::thread finish([this] { FinishExecQueue(&queue, true); });
    // The two that waited are told before the running ones end.
    {
        std::unique_lock<std::mutex> hold(gate.lock);
        EXPECT_TRUE(gate.changed.wait_for(hold, std::chrono::milliseconds(HANG_MS),
                                          [this] { return gate.results.size() == 2; }));
    }
    OpenGate();
    finish.join();
    EXPECT_EQ(EXEC_MAX_RUNNING, gate.started);
    EXPECT_EQ(std::vector<std::string>({"f0-1 exit code 1", "f1-1 exit code 1", "f2-1 exit code 1",
                                        "f3-1 exit code 1", "f4-1 not run: stopped by Ctrl+C",
                                        "f5-1 not run: stopped by Ctrl+C"}),
              Told());
}

}  // namespace

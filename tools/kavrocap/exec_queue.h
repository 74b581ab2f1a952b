// --exec: a program run after each saved file, beside the capture, never in
// its way. At most EXEC_MAX_RUNNING at once and EXEC_MAX_WAITING waiting
// for a turn; a file that finds the queue full is dropped and said so. Each
// result is handed to a reporter as it comes. How a program is run is the
// seam's (exec_windows.cpp on Windows, a test's own in-process), so the
// queue and its limits are the same everywhere. Platform-free.
#ifndef PUKAVRO_KAVROCAP_EXEC_QUEUE_H
#define PUKAVRO_KAVROCAP_EXEC_QUEUE_H

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// As --help tells them.
#define EXEC_MAX_RUNNING 4
#define EXEC_MAX_WAITING 16

enum ExecOutcome {
    EXEC_EXITED,       // it ran and ended with its exit code
    EXEC_TIMED_OUT,    // ended at the time-out, with all it started
    EXEC_NOT_STARTED,  // it could not be started
    EXEC_DROPPED,      // the queue was full
    EXEC_NOT_RUN,      // still waiting when Ctrl+C ended the run
};

// Runs command (a Windows command line) with path, absolute, appended as one
// more argument, with no standard output, and waits for it to end; after
// timeout_ms it is ended, and everything it started with it. Called from
// the queue's threads, up to EXEC_MAX_RUNNING at once. *exit_code for
// EXEC_EXITED, *why for EXEC_NOT_STARTED.
struct ExecSeam {
    ExecOutcome (*run)(void *context, const std::string &command, const std::string &path,
                       int64_t timeout_ms, uint32_t *exit_code, std::string *why);
    void *context;
};

struct ExecResult {
    std::string path;  // as the run saved it
    ExecOutcome outcome;
    uint32_t exit_code;  // EXEC_EXITED
    int64_t ms;          // from its start to its end
    std::string why;     // EXEC_NOT_STARTED
};

// Called for each result, from the queue's threads or from the caller of
// SubmitExec (EXEC_DROPPED) and FinishExecQueue (EXEC_NOT_RUN), one call at
// a time.
struct ExecReporter {
    void (*report)(void *context, const ExecResult &result);
    void *context;
};

struct ExecQueue {
    ExecSeam seam;
    std::string command;
    int64_t timeout_ms;
    ExecReporter reporter;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::string> waiting;
    bool closing;
    std::mutex report_lock;  // one report at a time
    std::vector<std::thread> workers;
};

// Starts the queue's threads.
void StartExecQueue(ExecQueue *queue, const ExecSeam &seam, const std::string &command,
                    int64_t timeout_ms, const ExecReporter &reporter);

// Runs the command for path when a turn comes; false (reported as
// EXEC_DROPPED) when EXEC_MAX_WAITING are waiting already.
bool SubmitExec(ExecQueue *queue, const std::string &path);

// Waits for every program still running, and for those waiting too unless
// stopped (Ctrl+C), which reports them as EXEC_NOT_RUN instead. Then the
// queue's threads are gone.
void FinishExecQueue(ExecQueue *queue, bool stopped);

// "exit code 3", "timed out", "could not start: REASON", "dropped: ...":
// a result in words, as standard error and the events give it.
std::string ExecOutcomeText(const ExecResult &result);

#endif

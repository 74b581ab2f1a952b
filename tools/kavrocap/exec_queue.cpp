#include "exec_queue.h"

#include <chrono>

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Tell(ExecQueue *queue, const ExecResult &result)
{
    std::lock_guard<std::mutex> hold(queue->report_lock);
    queue->reporter.report(queue->reporter.context, result);
}

void RunWaiting(ExecQueue *queue)
{
    while (true) {
        std::string path;
        {
            std::unique_lock<std::mutex> hold(queue->lock);
            queue->changed.wait(hold,
                                [queue] { return queue->closing || !queue->waiting.empty(); });
            if (queue->waiting.empty())
                return;
            path = queue->waiting.front();
            queue->waiting.pop_front();
        }
        ExecResult result = {path, EXEC_EXITED, 0, 0, std::string()};
        int64_t start = NowMs();
        result.outcome = queue->seam.run(queue->seam.context, queue->command, path,
                                         queue->timeout_ms, &result.exit_code, &result.why);
        result.ms = NowMs() - start;
        Tell(queue, result);
    }
}

}  // namespace

void StartExecQueue(ExecQueue *queue, const ExecSeam &seam, const std::string &command,
                    int64_t timeout_ms, const ExecReporter &reporter)
{
    queue->seam = seam;
    queue->command = command;
    queue->timeout_ms = timeout_ms;
    queue->reporter = reporter;
    queue->closing = false;
    for (int i = 0; i < EXEC_MAX_RUNNING; ++i)
        queue->workers.emplace_back(RunWaiting, queue);
}

bool SubmitExec(ExecQueue *queue, const std::string &path)
{
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        if (queue->waiting.size() < EXEC_MAX_WAITING) {
            queue->waiting.push_back(path);
            queue->changed.notify_one();
            return true;
        }
    }
    Tell(queue, ExecResult{path, EXEC_DROPPED, 0, 0, std::string()});
    return false;
}

void FinishExecQueue(ExecQueue *queue, bool stopped)
{
    std::deque<std::string> not_run;
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        if (stopped)
            not_run.swap(queue->waiting);
        queue->closing = true;
        queue->changed.notify_all();
    }
    for (const std::string &path : not_run)
        Tell(queue, ExecResult{path, EXEC_NOT_RUN, 0, 0, std::string()});
    for (std::thread &worker : queue->workers)
        worker.join();
    queue->workers.clear();
}

std::string ExecOutcomeText(const ExecResult &result)
{
    switch (result.outcome) {
    case EXEC_EXITED:
        return "exit code " + std::to_string(result.exit_code);
    case EXEC_TIMED_OUT:
        return "timed out";
    case EXEC_NOT_STARTED:
        return "could not start: " + result.why;
    case EXEC_DROPPED:
        return "dropped: " + std::to_string(EXEC_MAX_RUNNING) + " programs running and "
               + std::to_string(EXEC_MAX_WAITING) + " waiting";
    default:
        return "not run: stopped by Ctrl+C";
    }
}

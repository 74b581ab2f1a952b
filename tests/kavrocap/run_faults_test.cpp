// Every fault of the camera: the line that names it, the exit status, no
// file; retries that recover or give up; and Ctrl+C during a capture.
#include "run_fixture.h"

namespace {

const FakeStep FAILED = {CAMERA_REQUEST_FAILED, 0};
const FakeStep FRAME = {CAMERA_FRAME, 0};
const FakeStep STOPPED = {CAMERA_STOPPED, 0};

std::string FailedAlone(const std::string &reason)
{
    return "kavrocap: frame 1: " + reason + "\nkavrocap: 0 saved, 1 failed, 0 slots skipped\n";
}

// Rows as in run_saving_test.cpp.
// clang-format off
const RunCase FAULTS[] = {
    {"request failed", {FAILED}, {}, {"-r", "0"}, 1, "", FailedAlone("request failed"), {}, 1},
    {"short read", {{CAMERA_SHORT_READ, 100}}, {}, {"-r", "0"}, 1, "",
     FailedAlone("short read: 100 of 13824 bytes"), {}, 1},
    {"one byte short", {{CAMERA_SHORT_READ, 13823}}, {}, {"-r", "0"}, 1, "",
     FailedAlone("short read: 13823 of 13824 bytes"), {}, 1},
    {"no answer", {{CAMERA_TIMED_OUT, 0}}, {}, {"-r", "0", "-t", "0.3"}, 1, "",
     FailedAlone("no answer within the time-out (0.3 s)"), {}, 1},
    {"not found", {{CAMERA_NOT_FOUND, 0}}, {}, {"-r", "0"}, 1, "",
     FailedAlone("camera not found: \\\\.\\ezusb-0"), {}, 1},
    {"another camera not found", {{CAMERA_NOT_FOUND, 0}}, {},
     {"-r", "0", "-d", "\\\\.\\ezusb-1"}, 1, "",
     FailedAlone("camera not found: \\\\.\\ezusb-1"), {}, 1},
    {"retried to the end",
     {{CAMERA_SHORT_READ, 100}, {CAMERA_SHORT_READ, 100}, {CAMERA_SHORT_READ, 100}}, {}, {}, 1, "",
     FailedAlone("short read: 100 of 13824 bytes (3 attempts)"), {}, 3},
    {"not found, retried", {{CAMERA_NOT_FOUND, 0}, {CAMERA_NOT_FOUND, 0}}, {}, {"--retries=1"}, 1,
     "", FailedAlone("camera not found: \\\\.\\ezusb-0 (2 attempts)"), {}, 2},
    {"the last failure is the one named", {FAILED, {CAMERA_TIMED_OUT, 0}}, {},
     {"-q", "-r", "1", "-t", "0.2"}, 1, "",
     "kavrocap: frame 1: no answer within the time-out (0.2 s) (2 attempts)\n"
     "kavrocap: 0 saved, 1 failed, 0 slots skipped\n", {}, 2},
    {"stuck: not retried", {{CAMERA_STUCK, 0}}, {}, {"-q", "-t", "0.2"}, 1, "",
     "kavrocap: frame 1: no answer within the time-out (0.2 s), and the cancelled request did "
     "not end\nkavrocap: 0 saved, 1 failed, 0 slots skipped\n",
     {}, 1},
    {"held: not retried, the run goes on", {{CAMERA_HELD, 0}}, {}, {"-q", "-n", "2"}, 1,
     "kavro002.bin\n",
     "kavrocap: frame 1: the camera's driver has not returned an earlier request\n"
     "kavrocap: 1 saved, 1 failed, 0 slots skipped\n",
     {{"kavro002.bin", HOLDS_RAW, 0}}, 2},
    {"retries recover", {FAILED, FAILED}, {}, {"-q"}, 0, "kavro001.bin\n",
     "kavrocap: 1 saved, 0 failed, 0 slots skipped\n",
     {{"kavro001.bin", HOLDS_RAW, 0}}, 3},
    {"one retry too few", {FAILED, FAILED, FAILED}, {}, {"-q"}, 1, "",
     FailedAlone("request failed (3 attempts)"), {}, 3},
    {"no retries", {FAILED}, {}, {"-q", "-r", "0"}, 1, "", FailedAlone("request failed"), {}, 1},
    {"five retries recover", {FAILED, FAILED, FAILED, FAILED, FAILED}, {}, {"-q", "-r", "5"}, 0,
     "kavro001.bin\n", "kavrocap: 1 saved, 0 failed, 0 slots skipped\n",
     {{"kavro001.bin", HOLDS_RAW, 0}}, 6},
    {"a failed frame keeps its number", {FAILED, FAILED, FAILED}, {}, {"-n", "3", "--start", "2"},
     1, "kavro003.bin\nkavro004.bin\n",
     "kavrocap: frame 2: request failed (3 attempts)\nkavrocap: 2/3 kavro003.bin\n"
     "kavrocap: 3/3 kavro004.bin\nkavrocap: 2 saved, 1 failed, 0 slots skipped\n",
     {{"kavro003.bin", HOLDS_RAW, 0}, {"kavro004.bin", HOLDS_RAW, 1}}, 5},
    {"a failed warm-up frame is not repeated", {FAILED}, {}, {"-q", "-s", "1", "-r", "0"}, 0,
     "kavro001.bin\n",
     "kavrocap: warm-up frame 1: request failed\nkavrocap: 1 saved, 0 failed, 0 slots skipped\n",
     {{"kavro001.bin", HOLDS_RAW, 0}}, 2},
    {"Ctrl+C during the warm-up", {FRAME, STOPPED}, {}, {"-s", "3"}, 3, "",
     "kavrocap: 0 saved, 0 failed, 0 slots skipped; stopped by Ctrl+C\n", {}, 2},
    {"Ctrl+C during a capture", {FRAME, STOPPED}, {}, {"-n", "3"}, 3, "kavro001.bin\n",
     "kavrocap: 1/3 kavro001.bin\nkavrocap: 1 saved, 0 failed, 0 slots skipped; stopped by Ctrl+C\n",
     {{"kavro001.bin", HOLDS_RAW, 0}}, 2},
    {"Ctrl+C ends a run without a count", {FRAME, FRAME, STOPPED}, {}, {"-n", "0", "-q"}, 0,
     "kavro001.bin\nkavro002.bin\n", "kavrocap: 2 saved, 0 failed, 0 slots skipped; stopped by Ctrl+C\n",
     {{"kavro001.bin", HOLDS_RAW, 0}, {"kavro002.bin", HOLDS_RAW, 1}}, 3},
    {"Ctrl+C without a count, after a failure", {FAILED, STOPPED}, {}, {"-n", "0", "-r", "0"}, 1,
     "", "kavrocap: frame 1: request failed\nkavrocap: 0 saved, 1 failed, 0 slots skipped; stopped by Ctrl+C\n", {}, 2},
};
// clang-format on

TEST_F(KavrocapRunTest, EachFaultIsNamedAndLeavesNoFile)
{
    for (const RunCase &c : FAULTS)
        Check(c);
}

}  // namespace

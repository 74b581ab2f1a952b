// The soak of kavrocap: one run of 2,000 frames while the simulated camera
// draws every capture's outcome from its seeded sequence. A copy of that
// sequence says what each slot must become, retries included: every saved
// file is exactly the frame the camera sent, every failed slot is the one
// the sequence fails and is reported with its reason, the summary counts
// them, nothing else is left in the folder, and the camera saw a close for
// every open.
//     kavrocap_soak_test PATH\TO\kavrocap.exe [GoogleTest options]
// SOAK_SEED and SOAK_FRAMES in the environment repeat another run.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "files.h"
#include "program_argument.h"
#include "frame.h"
#include "run_program.h"
#include "camera_fixture.h"

namespace {

std::string g_kavrocap;

const uint32_t DEFAULT_SEED = 20261209;
const int DEFAULT_FRAMES = 2000;
const int RETRIES = 2;
// Short, yet far above the slowest answer the sequence draws, so that no
// capture of the run may time out.
const char TIMEOUT_SECONDS[] = "2";
const DWORD RUN_LIMIT_MS = 280000;

std::string NameOf(int number)
{
    char name[32];
    snprintf(name, sizeof name, "soak%04d.bin", number);
    return name;
}

// What one slot must become.
struct Slot {
    int saved;
    uint32_t frame_number;  // saved: the camera's frame in the file
    std::string failure;    // failed: the whole line on standard error
};

// The reason kavrocap gives for the last failed attempt of a slot.
std::string FailureLine(int number, const DrawnCapture &last)
{
    std::string reason = last.fault.kind == EZUSBSIM_FAULT_SHORT_READ
                             ? "short read: " + std::to_string(last.bytes) + " of 13824 bytes"
                             : "request failed";
    if (RETRIES > 0)
        reason += " (" + std::to_string(RETRIES + 1) + " attempts)";
    return "kavrocap: frame " + std::to_string(number) + ": " + reason;
}

// Replays the run: each slot takes captures until one gives a whole frame
// or its retries are used up. *attempts and *frames_sent end as the
// camera's opens and frames sent.
std::vector<Slot> ReplayRun(uint32_t seed, int frames, uint32_t *attempts, uint32_t *frames_sent)
{
    std::vector<Slot> slots;
    uint32_t state = seed;
    *attempts = 0;
    *frames_sent = 0;
    for (int number = 1; number <= frames; number++) {
        Slot slot = {0, 0, std::string()};
        DrawnCapture drawn;
        for (int attempt = 0; attempt <= RETRIES && !slot.saved; attempt++) {
            DrawCapture(&state, frames_sent, &drawn);
            ++*attempts;
            slot.saved = drawn.whole_frame;
            slot.frame_number = drawn.frame_number;
        }
        if (!slot.saved)
            slot.failure = FailureLine(number, drawn);
        slots.push_back(slot);
    }
    return slots;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class KavrocapSoak : public SimulatedCamera {
protected:
    std::string folder;

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        ASSERT_EQ(0, MakeTempFolder(&folder));
    }

    void TearDown() override
    {
        if (!folder.empty()) {
            EXPECT_EQ(0, RemoveFolder(folder));
        }
        SimulatedCamera::TearDown();
    }
};

TEST_F(KavrocapSoak, EveryFrameAndEveryFailureIsTheOneTheSequenceSays)
{
    const uint32_t seed = EnvironmentNumber("SOAK_SEED", DEFAULT_SEED);
    const int frames = static_cast<int>(EnvironmentNumber("SOAK_FRAMES", DEFAULT_FRAMES));
    printf("seed %u, %d frames\n", seed, frames);
    uint32_t attempts = 0, frames_sent = 0;
    std::vector<Slot> slots = ReplayRun(seed, frames, &attempts, &frames_sent);

    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAULT_SEED, seed));
    std::string command = "\"" + g_kavrocap + "\" -n " + std::to_string(frames) + " -t "
                          + TIMEOUT_SECONDS + " -r " + std::to_string(RETRIES) + " soak{n:04}.bin";
    ProgramRun run;
    ASSERT_EQ(
        0, RunProgram(ToUtf16(command).c_str(), ToUtf16(folder).c_str(), NULL, RUN_LIMIT_MS, &run));
    ASSERT_EQ(0, run.timed_out);

    std::vector<std::string> saved_names, failure_lines;
    int failed = 0;
    for (int number = 1; number <= frames; number++) {
        const Slot &slot = slots[number - 1];
        if (slot.saved) {
            saved_names.push_back(NameOf(number));
        } else {
            failure_lines.push_back(slot.failure);
            failed++;
        }
    }
    printf("%zu saved, %d failed, %u captures\n", saved_names.size(), failed, attempts);
    ASSERT_GT(failed, 0) << "a run without a failed frame tests too little; choose another seed";
    EXPECT_EQ(static_cast<DWORD>(failed > 0 ? 1 : 0), run.exit_code);

    // Standard output: the saved files' paths, in order, nothing else.
    EXPECT_EQ(saved_names, Lines(run.out));

    // Standard error: the failures, in order, and the summary at the end.
    std::vector<std::string> reported;
    std::string summary;
    for (const std::string &line : Lines(run.err)) {
        if (line.compare(0, 16, "kavrocap: frame ") == 0)
            reported.push_back(line);
        summary = line;
    }
    EXPECT_EQ(failure_lines, reported);
    EXPECT_EQ("kavrocap: " + std::to_string(saved_names.size()) + " saved, "
                  + std::to_string(failed) + " failed, 0 slots skipped",
              summary);

    // The folder holds the saved frames and nothing else: no temporary file,
    // no file for a failed slot.
    EXPECT_EQ(saved_names, ListFolder(folder));
    std::vector<uint8_t> expected(RAW_FRAME_BYTES);
    int wrong = 0;
    for (int number = 1; number <= frames && wrong < 5; number++) {
        const Slot &slot = slots[number - 1];
        if (!slot.saved)
            continue;
        std::vector<uint8_t> bytes;
        std::string path = PathIn(folder, NameOf(number).c_str());
        EzusbsimTestPicture(expected.data(), slot.frame_number);
        if (ReadWholeFile(path, &bytes) != 0 || bytes.size() != expected.size()
            || FirstDifference(bytes.data(), expected.data(), RAW_FRAME_BYTES) != -1) {
            ADD_FAILURE() << NameOf(number) << " is not camera frame " << slot.frame_number << " ("
                          << bytes.size() << " bytes)";
            wrong++;
        }
    }

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(attempts, counters.opens);
    EXPECT_EQ(counters.opens, counters.closes);
    EXPECT_EQ(attempts, counters.fault_draws);
    EXPECT_EQ(frames_sent, counters.frames_sent);
    EXPECT_EQ(0u, counters.cancelled);
    EXPECT_EQ(0u, counters.pending);
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROCAP.EXE", &g_kavrocap) != 0)
        return 2;
    return RUN_ALL_TESTS();
}

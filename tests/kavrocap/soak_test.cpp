// One long kavrocap run against the camera's seeded mix of faults: every
// frame saved exactly or failed exactly where the sequence says, the summary
// counting the same, nothing left behind, every camera open closed.
#include <stdlib.h>

#include "fault_sequence.h"
#include "files.h"
#include "frame.h"
#include "kavrocap_fixture.h"

namespace {

uint32_t FromEnvironment(const char *name, uint32_t fallback)
{
    const char *value = getenv(name);
    return value != NULL && *value != '\0' ? static_cast<uint32_t>(strtoul(value, NULL, 10))
                                           : fallback;
}

std::string FrameName(uint32_t number)
{
    char name[32];
    snprintf(name, sizeof name, "s%04u.bin", number);
    return name;
}

TEST_F(KavrocapTest, SoakWithSeededFaults)
{
    const uint32_t seed = FromEnvironment("KAVROCAP_SOAK_SEED", 20261209);
    const uint32_t captures = FromEnvironment("KAVROCAP_SOAK_CAPTURES", 2000);
    SCOPED_TRACE("seed " + std::to_string(seed));
    run_limit_ms = 280000;
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAULT_SEED, seed));
    // One attempt per frame, so each frame is one draw of the sequence; the
    // slow answers (at most 50 ms) stay well under the time-out.
    ASSERT_EQ(1, Run({"-n", std::to_string(captures), "-r", "0", "-t", "0.5", "s{n:04}.bin"}));

    uint32_t state = seed, next_frame = 0, saved = 0;
    std::string listed, reported;
    Strings names;
    for (uint32_t number = 1; number <= captures; ++number) {
        DrawnCapture drawn;
        DrawCapture(&state, &next_frame, &drawn);
        std::string name = FrameName(number);
        if (drawn.whole_frame) {
            ++saved;
            listed += name + "\n";
            names.push_back(name);
            reported += "kavrocap: " + std::to_string(number) + "/" + std::to_string(captures) + " "
                        + name + "\n";
            ASSERT_TRUE(File(name) == CameraFrame(drawn.frame_number)) << name;
        } else if (drawn.fault.kind == EZUSBSIM_FAULT_SHORT_READ) {
            reported += "kavrocap: frame " + std::to_string(number)
                        + ": short read: " + std::to_string(drawn.bytes) + " of 13824 bytes\n";
        } else {
            reported += "kavrocap: frame " + std::to_string(number) + ": request failed\n";
        }
    }
    reported += "kavrocap: " + std::to_string(saved) + " saved, " + std::to_string(captures - saved)
                + " failed, 0 slots skipped\n";
    EXPECT_EQ(listed, out);
    EXPECT_EQ(reported, err);
    EXPECT_EQ(names, Names());  // no temporary file, nothing else
    ASSERT_GT(saved, captures / 2);
    ASSERT_LT(saved, captures);

    ASSERT_EQ(0, ClearKnobs());
    EzusbsimCounters counters = Counters();
    EXPECT_EQ(captures, counters.opens);
    EXPECT_EQ(counters.opens, counters.closes);
    EXPECT_EQ(captures, counters.fault_draws);
    EXPECT_EQ(next_frame, counters.frames_sent);
    EXPECT_EQ(0u, counters.pending);
}

}  // namespace

// Faults of the simulated camera through the real capture, end to end: the
// line that names each, the exit status, no file, the cancelled request.
// Every outcome and the retries are rows of kavrocap_run_test.
#include "kavrocap_fixture.h"

#include "ezusbsim.h"

namespace {

enum CameraState { CAMERA_THERE, CAMERA_UNPLUGGED };

struct Knob {
    const char *name;
    DWORD value;
};

struct FaultCase {
    const char *what;
    Knob knobs[2];
    CameraState state;
    Strings args;
    const char *reason;
    uint32_t opens;  // camera opens the run made
};

const FaultCase FAULTS[] = {
    {"short read",
     {{EZUSBSIM_VALUE_BULK_BYTES, 100}},
     CAMERA_THERE,
     {"-r", "0"},
     "short read: 100 of 13824 bytes",
     1},
    {"no answer",
     {{EZUSBSIM_VALUE_DELAY_MS, 4000}},
     CAMERA_THERE,
     {"-r", "0", "-t", "0.3"},
     "no answer within the time-out (0.3 s)",
     1},
    {"unplugged, retried",
     {},
     CAMERA_UNPLUGGED,
     {"--retries=1"},
     "camera not found: \\\\.\\ezusb-0 (2 attempts)",
     0},
};

TEST_F(KavrocapTest, EachFaultIsNamedAndLeavesNoFile)
{
    for (const FaultCase &c : FAULTS) {
        SCOPED_TRACE(c.what);
        for (const Knob &knob : c.knobs) {
            if (knob.name != NULL) {
                ASSERT_EQ(0, SetKnob(knob.name, knob.value));
            }
        }
        if (c.state == CAMERA_UNPLUGGED) {
            ASSERT_EQ(0, StopCamera());
        }
        EXPECT_EQ(1, Run(c.args));
        EXPECT_EQ("", out);
        EXPECT_EQ(std::string("kavrocap: frame 1: ") + c.reason
                      + "\nkavrocap: 0 saved, 1 failed, 0 slots skipped\n",
                  err);
        EXPECT_EQ(Strings(), Names());
        ASSERT_EQ(0, StartCamera());
        EzusbsimCounters counters = Counters();
        EXPECT_EQ(c.opens, counters.opens);
        EXPECT_EQ(0u, counters.pending);
        ASSERT_EQ(0, ClearKnobs());
        ASSERT_EQ(0, ResetCounters());
    }
}

TEST_F(KavrocapTest, AnUnansweredRequestIsCancelledAtTheTimeOut)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 4000));
    EXPECT_EQ(1, Run({"-q", "-r", "1", "-t", "0.2"}));
    EXPECT_EQ("kavrocap: frame 1: no answer within the time-out (0.2 s) (2 attempts)\n"
              "kavrocap: 0 saved, 1 failed, 0 slots skipped\n",
              err);
    EzusbsimCounters counters = Counters();
    EXPECT_EQ(2u, counters.cancelled);
    EXPECT_EQ(0u, counters.pending);
    EXPECT_EQ(0u, counters.frames_sent);
}

TEST_F(KavrocapTest, ARequestThatIgnoresItsCancelDoesNotHoldTheRun)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 3000));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_IGNORE_CANCEL, 1));
    EXPECT_EQ(1, Run({"-q", "-r", "0", "-t", "0.2"}));
    EXPECT_EQ("kavrocap: frame 1: no answer within the time-out (0.2 s), and the cancelled "
              "request did not end\nkavrocap: 0 saved, 1 failed, 0 slots skipped\n",
              err);
    EXPECT_EQ(Strings(), Names());
    // The camera ends the request itself once its delay is over.
    EXPECT_EQ(0, WaitForPendingRequests(0));
}

}  // namespace

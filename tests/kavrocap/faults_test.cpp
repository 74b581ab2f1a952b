// Every fault of the camera: the line that names it, the exit status, no
// file, and retries that recover or give up.
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
    {"vendor request fails",
     {{EZUSBSIM_VALUE_VENDOR_FAIL, 1}},
     CAMERA_THERE,
     {"-r", "0"},
     "request failed",
     1},
    {"bulk read fails",
     {{EZUSBSIM_VALUE_BULK_FAIL, 1}},
     CAMERA_THERE,
     {"-r", "0"},
     "request failed",
     1},
    {"read breaks off",
     {{EZUSBSIM_VALUE_BULK_FAIL, 1}, {EZUSBSIM_VALUE_BULK_BYTES, 5000}},
     CAMERA_THERE,
     {"-r", "0"},
     "request failed",
     1},
    {"short read",
     {{EZUSBSIM_VALUE_BULK_BYTES, 100}},
     CAMERA_THERE,
     {"-r", "0"},
     "short read: 100 of 13824 bytes",
     1},
    {"one byte short",
     {{EZUSBSIM_VALUE_BULK_BYTES, 13823}},
     CAMERA_THERE,
     {"-r", "0"},
     "short read: 13823 of 13824 bytes",
     1},
    {"no answer",
     {{EZUSBSIM_VALUE_DELAY_MS, 4000}},
     CAMERA_THERE,
     {"-r", "0", "-t", "0.3"},
     "no answer within the time-out (0.3 s)",
     1},
    {"unplugged", {}, CAMERA_UNPLUGGED, {"-r", "0"}, "camera not found: \\\\.\\ezusb-0", 0},
    {"another camera",
     {},
     CAMERA_THERE,
     {"-r", "0", "-d", "\\\\.\\ezusb-1"},
     "camera not found: \\\\.\\ezusb-1",
     0},
    {"retried",
     {{EZUSBSIM_VALUE_BULK_BYTES, 100}},
     CAMERA_THERE,
     {},
     "short read: 100 of 13824 bytes (3 attempts)",
     3},
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
    EXPECT_EQ("kavrocap: frame 1: no answer within the time-out (0.2 s) (2 attempts)\n", err);
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
              "request did not end\n",
              err);
    EXPECT_EQ(Strings(), Names());
    // The camera ends the request itself once its delay is over.
    EXPECT_EQ(0, WaitForPendingRequests(0));
}

TEST_F(KavrocapTest, RetriesRecoverFromFailuresAndGiveUpAfterOneMore)
{
    struct {
        const char *retries;
        DWORD failures;
        int status;
        uint32_t requests;
    } cases[] = {
        {"2", 0, 0, 1}, {"2", 2, 0, 3}, {"2", 3, 1, 3}, {"0", 1, 1, 1}, {"5", 5, 0, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("-r ") + c.retries + ", failures " + std::to_string(c.failures));
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAIL_NEXT, c.failures));
        EXPECT_EQ(c.status, Run({"-q", "--overwrite", "-r", c.retries}));
        if (c.status == 0) {
            EXPECT_EQ("kavro001.bin\n", out);
            EXPECT_EQ("", err);
            EXPECT_TRUE(File("kavro001.bin") == CameraFrame(0));
        } else {
            EXPECT_EQ("", out);
            EXPECT_EQ("kavrocap: frame 1: request failed"
                          + (c.requests > 1 ? " (" + std::to_string(c.requests) + " attempts)"
                                            : std::string())
                          + "\n",
                      err);
        }
        EXPECT_EQ(c.requests, Counters().vendor_requests);
        ASSERT_EQ(0, ClearKnobs());
        ASSERT_EQ(0, ResetCounters());
    }
}

TEST_F(KavrocapTest, AFailedFrameKeepsItsNumber)
{
    // The second capture fails three times (its retries too); the third and
    // fourth frames keep their own numbers.
    ASSERT_EQ(0, Run({"-q", "-n", "1"}));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAIL_NEXT, 3));
    EXPECT_EQ(1, Run({"-n", "3", "--start", "2", "-r", "2"}));
    // Frame 2 got the three failures, so frames 3 and 4 hold camera frames 1 and 2.
    EXPECT_EQ("kavro003.bin\nkavro004.bin\n", out);
    EXPECT_EQ("kavrocap: frame 2: request failed (3 attempts)\n"
              "kavrocap: 2/3 kavro003.bin\n"
              "kavrocap: 3/3 kavro004.bin\n"
              "kavrocap: 2 saved, 1 failed, 0 slots skipped\n",
              err);
    EXPECT_TRUE(File("kavro003.bin") == CameraFrame(1));
    EXPECT_TRUE(File("kavro004.bin") == CameraFrame(2));
    EXPECT_EQ(Strings({"kavro001.bin", "kavro003.bin", "kavro004.bin"}), Names());
}

}  // namespace

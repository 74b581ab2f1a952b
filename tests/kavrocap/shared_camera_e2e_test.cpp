// One camera shared by several of our programs at once, end to end under
// Wine: kavroview live on the virtual display beside a burst and a
// time-lapse of kavrocap on camera 0, and another kavrocap on camera 1; the
// program that talks to the camera for the others killed between requests;
// and a request the driver keeps past every time-out. The cameras are paced
// at about 80 frames a second. The simulated camera's overlaps counter says
// whether one program ever broke into another's conversation.
//     kavrocap_shared_camera_test PATH\TO\kavrocap.exe PATH\TO\kavroview.exe
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <thread>

#include "camera_client.h"
#include "dialogs.h"
#include "ezusb_device.h"
#include "files.h"
#include "kavrocap_fixture.h"
#include "program.h"
#include "program_argument.h"
#include "run_program.h"
#include "wait.h"

namespace {

std::string g_kavroview;

// A run of kavrocap on a thread of its own, so several run at once; joined
// at the latest when it goes (RunProgram ends it after HANG_MS).
struct Background {
    std::thread thread;
    ProgramRun run = {};
    int started = -1;

    void Start(const std::string &line, const std::string &folder)
    {
        thread = std::thread([this, line, folder] {
            started =
                RunProgram(ToUtf16(line).c_str(), ToUtf16(folder).c_str(), NULL, HANG_MS, &run);
        });
    }
    void Finish()
    {
        if (thread.joinable())
            thread.join();
    }
    ~Background() { Finish(); }
};

// "prefix1.bin" to "prefixN.bin".
Strings Numbered(const std::string &prefix, uint32_t count)
{
    Strings names;
    for (uint32_t n = 1; n <= count; ++n)
        names.push_back(prefix + std::to_string(n) + ".bin");
    return names;
}

std::string Listed(const Strings &names)
{
    std::string lines;
    for (const std::string &name : names)
        lines += name + "\n";
    return lines;
}

std::string Summary(uint32_t saved, uint32_t failed)
{
    return "kavrocap: " + std::to_string(saved) + " saved, " + std::to_string(failed)
           + " failed, 0 slots skipped\n";
}

class SharedCameraTest : public KavrocapTest {
protected:
    Program view = {};

    void SetUp() override
    {
        KavrocapTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(0, RestartWithCameras(2));
        for (int camera = 0; camera < 2; ++camera) {
            ASSERT_EQ(0, SetCameraKnob(camera, EZUSBSIM_VALUE_DELAY_MS, 5));
        }
    }

    // Back to one camera for the tests after this one.
    void TearDown() override
    {
        EndProgram(&view);
        EXPECT_EQ(0, StopCamera());
        KavrocapTest::TearDown();
    }

    // The frame number of each of the camera's first sent frames.
    std::map<Bytes, uint32_t> SentFrames(uint32_t camera, uint32_t sent) const
    {
        std::map<Bytes, uint32_t> frames;
        for (uint32_t n = 0; n < sent; ++n)
            frames[CameraFrame(n, camera)] = n;
        return frames;
    }

    // Each file holds a frame the camera sent, each a later one than the
    // file before it, so none twice.
    void ExpectSentInOrder(const std::map<Bytes, uint32_t> &sent, const std::string &folder_path,
                           const Strings &names) const
    {
        int64_t previous = -1;
        for (const std::string &name : names) {
            Bytes bytes;
            EXPECT_EQ(0, ReadWholeFile(PathIn(folder_path, name.c_str()), &bytes)) << name;
            auto found = sent.find(bytes);
            if (found == sent.end()) {
                ADD_FAILURE() << name << " holds none of the frames the camera sent";
                continue;
            }
            EXPECT_GT(static_cast<int64_t>(found->second), previous) << name;
            previous = found->second;
        }
    }

    // A key as the keyboard sends it to kavroview, through its accelerators.
    void Press(UINT key)
    {
        PostMessageW(view.window, WM_KEYDOWN, key, 1);
        PostMessageW(view.window, WM_KEYUP, key, 0xC0000001);
    }

    // The frames kavroview's status bar says it has shown ("shown N"); -1
    // when it cannot be read.
    int64_t Shown()
    {
        std::wstring text;
        HWND bar = FindWindowExW(view.window, NULL, STATUSCLASSNAMEW, NULL);
        if (bar == NULL || ReadStatusPart(bar, 1, &text) != 0)
            return -1;
        size_t digits = text.find_last_not_of(L"0123456789") + 1;
        return digits < text.size() ? _wtoi64(text.c_str() + digits) : -1;
    }
};

// kavroview live, a burst and a time-lapse on camera 0, and a burst on
// camera 1, all at once: every file is a frame of its own camera, none
// twice in one program, no conversation broke into another, and camera 0
// gave its programs more frames than it had conversations.
TEST_F(SharedCameraTest, ThreeProgramsShareOneCameraBesideAFourthOnTheOther)
{
    const std::string shots = PathIn(folder, "view");
    ASSERT_TRUE(CreateDirectoryW(ToUtf16(shots).c_str(), NULL));
    const std::string line = "\"" + g_kavroview + "\" -d 0 \"" + shots + "\"";
    ASSERT_EQ(0, LaunchProgram(&view, line.c_str(), folder.c_str()));
    ASSERT_EQ(0, WaitForProgramWindow(&view, "KAVROVIEW", HANG_MS));
    ASSERT_TRUE(WaitUntil([&] { return Shown() >= 1; })) << "kavroview shows no frame";

    const struct {
        Strings args;
        std::string prefix;
        uint32_t camera, count;
    } runs[] = {
        {{"-q", "-n", "100", "burst{n}.bin"}, "burst", 0, 100},
        {{"-q", "-i", "0.5", "-n", "4", "lapse{n}.bin"}, "lapse", 0, 4},
        {{"-q", "-d", "1", "-n", "20", "one{n}.bin"}, "one", 1, 20},
    };
    Background background[3];
    for (int i = 0; i < 3; ++i)
        background[i].Start(CommandLine(runs[i].args), folder);
    uint32_t kavrocap_frames = 0;
    Strings names = {"view"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(runs[i].prefix);
        background[i].Finish();
        const ProgramRun &run = background[i].run;
        ASSERT_EQ(0, background[i].started);
        EXPECT_EQ(0, run.timed_out);
        EXPECT_EQ(0u, run.exit_code) << run.err;
        EXPECT_EQ(Listed(Numbered(runs[i].prefix, runs[i].count)), UnixLines(run.out));
        EXPECT_EQ(Summary(runs[i].count, 0), UnixLines(run.err));
        if (runs[i].camera == 0)
            kavrocap_frames += runs[i].count;
        for (const std::string &name : Numbered(runs[i].prefix, runs[i].count))
            names.push_back(name);
    }

    // Paused, kavroview asks for nothing more: camera 0's conversations are
    // all counted. Its status bar catches up with what it has shown, which
    // kavroview received; every kavrocap frame was received too.
    Press('P');
    const EzusbsimCounters zero = Settled(0);
    EXPECT_EQ(0u, zero.overlaps);
    EXPECT_EQ(zero.vendor_requests, zero.bulk_reads);
    EXPECT_EQ(zero.vendor_requests, zero.frames_sent);
    int64_t shown = 0;
    EXPECT_TRUE(WaitUntil([&] {
        shown = Shown();
        return shown + kavrocap_frames > zero.vendor_requests;
    })) << zero.vendor_requests
        << " conversations for " << shown << " frames shown and " << kavrocap_frames << " saved";
    printf("camera 0: %u conversations; kavroview showed %lld frames, kavrocap saved %u\n",
           zero.vendor_requests, static_cast<long long>(shown), kavrocap_frames);

    Press(VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return ListFolder(shots).size() == 2; }));
    EXPECT_EQ(Strings({"kavro001.bin", "kavro001.png"}), ListFolder(shots));
    PostMessageW(view.window, WM_CLOSE, 0, 0);
    DWORD exit_code = 1;
    EXPECT_EQ(0, WaitForExit(&view, HANG_MS, &exit_code));
    EXPECT_EQ(0u, exit_code);

    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, Names());
    const std::map<Bytes, uint32_t> sent = SentFrames(0, Settled(0).frames_sent);
    ExpectSentInOrder(sent, folder, Numbered("burst", 100));
    ExpectSentInOrder(sent, folder, Numbered("lapse", 4));
    ExpectSentInOrder(sent, shots, {"kavro001.bin"});
    // Camera 1 had one program: its frames from the first, every one.
    const EzusbsimCounters one = Settled(1);
    EXPECT_EQ(0u, one.overlaps);
    EXPECT_EQ(20u, one.vendor_requests);
    EXPECT_EQ(20u, one.frames_sent);
    for (uint32_t n = 0; n < 20; ++n)
        EXPECT_TRUE(File("one" + std::to_string(n + 1) + ".bin") == CameraFrame(n, 1)) << n;
}

// Where a machine runs 32-bit and 64-bit programs both, the burst would be
// taken by the other build's kavrocap.exe. No build makes both (test.sh
// builds one Windows preset whole) and nothing hands a test the other's
// programs, so this waits for that.
TEST_F(SharedCameraTest, ABurstOfTheOtherBitnessSharesTheCamera)
{
    GTEST_SKIP() << "only this build's bitness is built: there is no kavrocap.exe of the other "
                    "to run beside it";
}

// Two time-lapses whose slots are seconds apart; the one that talks to the
// camera for both is killed while nothing is out. The other takes the role
// and its run ends with every frame.
TEST_F(SharedCameraTest, WhenTheTakerIsKilledBetweenRequestsTheOtherGoesOn)
{
    const DWORD KILLED = 77;
    const std::string prefixes[2] = {"a", "b"};
    Background runs[2];
    for (int i = 0; i < 2; ++i)
        runs[i].Start(CommandLine({"-q", "-i", "4", "-n", "3", prefixes[i] + "{n}.bin"}), folder);
    ASSERT_TRUE(WaitUntil([&] {
        return PathExists(PathIn(folder, "a1.bin")) && PathExists(PathIn(folder, "b1.bin"));
    }));
    // Every open has its close and nothing is pending: no conversation is
    // out, and the next slot is seconds away.
    Settled(0);
    CameraHolder taker = {};
    ASSERT_TRUE(ReadCameraHolder(EZUSB_DEVICE_PATH, &taker)) << "no holder while two runs take";
    EXPECT_STREQ("kavrocap.exe", taker.name);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, taker.pid);
    ASSERT_NE(process, (HANDLE)NULL) << taker.pid;
    EXPECT_TRUE(TerminateProcess(process, KILLED));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, HANG_MS));
    CloseHandle(process);
    CameraHolder next = {};
    EXPECT_TRUE(WaitUntil([&] {
        return ReadCameraHolder(EZUSB_DEVICE_PATH, &next) && next.pid != taker.pid;
    })) << "nobody took the role";
    EXPECT_STREQ("kavrocap.exe", next.name);

    for (Background &run : runs)
        run.Finish();
    const int killed = runs[0].run.exit_code == KILLED ? 0 : 1, other = 1 - killed;
    ASSERT_EQ(0, runs[other].started);
    EXPECT_EQ(KILLED, runs[killed].run.exit_code);
    EXPECT_EQ(0, runs[other].run.timed_out);
    EXPECT_EQ(0u, runs[other].run.exit_code) << runs[other].run.err;
    EXPECT_EQ(Listed(Numbered(prefixes[other], 3)), UnixLines(runs[other].run.out));
    EXPECT_EQ(Summary(3, 0), UnixLines(runs[other].run.err));
    Strings names = Numbered(prefixes[other], 3);
    names.push_back(prefixes[killed] + "1.bin");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, Names());
    const EzusbsimCounters after = Settled(0);
    EXPECT_EQ(0u, after.overlaps);
    EXPECT_EQ(after.vendor_requests, after.frames_sent);
    const std::map<Bytes, uint32_t> sent = SentFrames(0, after.frames_sent);
    ExpectSentInOrder(sent, folder, Numbered(prefixes[other], 3));
    ExpectSentInOrder(sent, folder, {prefixes[killed] + "1.bin"});
}

// The driver keeps the request past the time-out and ignores the cancel:
// three runs at once each report the failure and end; none hangs, and no
// second request breaks into the one held.
TEST_F(SharedCameraTest, ARequestHeldInTheDriverFailsEveryProgramWithoutAHang)
{
    // Far past the time-out and its cancel: held until the unplugging below.
    ASSERT_EQ(0, SetCameraKnob(0, EZUSBSIM_VALUE_DELAY_MS, 30000));
    ASSERT_EQ(0, SetCameraKnob(0, EZUSBSIM_VALUE_IGNORE_CANCEL, 1));
    // Which a run reports depends on when it came to the conversation.
    const std::string reasons[] = {
        "no answer within the time-out (1 s), and the cancelled request did not end",
        "no answer within the time-out (1 s)",                      // it ran to a later run's
        "the camera's driver has not returned an earlier request",  // asked after it was given up
    };
    Background runs[3];
    for (int i = 0; i < 3; ++i)
        runs[i].Start(
            CommandLine({"-q", "-t", "1", "-r", "0", "-n", "1", "p" + std::to_string(i) + ".bin"}),
            folder);
    // At least one tells that the driver kept the request. When the run whose
    // program took the conversation ends first (its own time-out passed
    // while a later run's held the conversation), the others find the
    // request still out: held, and nobody waits out its cancel.
    int kept_runs = 0;
    for (Background &run : runs) {
        run.Finish();
        ASSERT_EQ(0, run.started);
        EXPECT_EQ(0, run.run.timed_out);
        EXPECT_EQ(1u, run.run.exit_code);
        EXPECT_EQ("", run.run.out);
        const std::string err = UnixLines(run.run.err);
        bool known = false;
        for (const std::string &reason : reasons)
            if (err == "kavrocap: frame 1: " + reason + "\n" + Summary(0, 1)) {
                known = true;
                kept_runs += reason != reasons[1];
            }
        EXPECT_TRUE(known) << err;
    }
    EXPECT_GE(kept_runs, 1);
    EXPECT_EQ(Strings(), Names());
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCameraCounters(0, &counters));
    EXPECT_EQ(0u, counters.overlaps);
    EXPECT_EQ(0u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.frames_sent);
    EXPECT_GE(counters.vendor_requests, 1u);
    EXPECT_LE(counters.vendor_requests, 3u);
    // Unplugged, the requests held fail at once.
    EXPECT_EQ(0, UnplugCamera(0));
    EXPECT_EQ(0, WaitForPendingRequests(0));
    EXPECT_EQ(0, PlugCamera(0));
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::string programs[2];
    if (ProgramArguments("KAVROCAP.EXE KAVROVIEW.EXE", 2, programs) != 0)
        return 2;
    g_kavrocap = programs[0];
    g_kavroview = programs[1];
    return RUN_ALL_TESTS();
}

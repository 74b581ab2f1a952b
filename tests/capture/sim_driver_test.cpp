// The simulated camera itself: it takes only well-formed requests, counts
// only its own device, and sends the documented picture.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "camera_fixture.h"
#include "wait.h"

namespace {

struct Request {
    const char *what;
    DWORD code;
    uint8_t input[12];
    DWORD in_bytes;
    DWORD out_bytes;
};

// Issues request on camera; returns the call's result and the byte count.
BOOL Issue(HANDLE camera, const Request &request, DWORD *returned)
{
    static uint8_t output[16384];
    *returned = 0xdeadbeef;
    return DeviceIoControl(camera, request.code, const_cast<uint8_t *>(request.input),
                           request.in_bytes, output, request.out_bytes, returned, NULL);
}

class SimulatedCameraChecks : public SimulatedCamera {};

TEST_F(SimulatedCameraChecks, RejectsEveryMalformedRequest)
{
    const DWORD V = EZUSBSIM_IOCTL_VENDOR_REQUEST;
    const DWORD B = EZUSBSIM_IOCTL_BULK_READ;
    const Request bad[] = {
        {"direction host to device", V, {0, 2, 0, 0, 0xA8, 0, 1, 0}, 10, 1},
        {"class request", V, {1, 1, 0, 0, 0xA8, 0, 1, 0}, 10, 1},
        {"interface recipient", V, {1, 2, 1, 0, 0xA8, 0, 1, 0}, 10, 1},
        {"request 0xA9", V, {1, 2, 0, 0, 0xA9, 0, 1, 0}, 10, 1},
        {"value 0", V, {1, 2, 0, 0, 0xA8, 0, 0, 0}, 10, 1},
        {"value 0x0101", V, {1, 2, 0, 0, 0xA8, 0, 1, 1}, 10, 1},
        {"vendor input 9 bytes", V, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 9, 1},
        {"vendor input 11 bytes", V, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 11, 1},
        {"vendor reply 0 bytes", V, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 10, 0},
        {"vendor reply 2 bytes", V, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 10, 2},
        {"pipe 6", B, {6, 0, 0, 0}, 4, 13824},
        {"pipe 0x107", B, {7, 1, 0, 0}, 4, 13824},
        {"bulk input 3 bytes", B, {7, 0, 0, 0}, 3, 13824},
        {"bulk input 5 bytes", B, {7, 0, 0, 0}, 5, 13824},
        {"bulk output 13823 bytes", B, {7, 0, 0, 0}, 4, 13823},
        {"unknown code", 0x0022205Du, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 10, 1},
    };
    HANDLE camera = OpenCamera();
    ASSERT_NE(INVALID_HANDLE_VALUE, camera);
    for (const Request &request : bad) {
        DWORD returned;
        EXPECT_FALSE(Issue(camera, request, &returned)) << request.what;
    }
    CloseHandle(camera);

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(16u, counters.rejected);
    EXPECT_EQ(10u, counters.vendor_requests);
    EXPECT_EQ(5u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.frames_sent);
}

TEST_F(SimulatedCameraChecks, AcceptsTheWellFormedRequests)
{
    // Reserved bits, fill and index are not the camera's business.
    const Request good[] = {
        {"vendor request",
         EZUSBSIM_IOCTL_VENDOR_REQUEST,
         {1, 2, 0, 0, 0xA8, 0xCC, 1, 0, 0xCC, 0xCC},
         10,
         1},
        {"vendor request, index 0",
         EZUSBSIM_IOCTL_VENDOR_REQUEST,
         {1, 2, 0, 0, 0xA8, 0, 1, 0, 0, 0},
         10,
         1},
        {"bulk read", EZUSBSIM_IOCTL_BULK_READ, {7, 0, 0, 0}, 4, 13824},
        {"bulk read, larger buffer", EZUSBSIM_IOCTL_BULK_READ, {7, 0, 0, 0}, 4, 16384},
    };
    const DWORD returned_bytes[] = {1, 1, 13824, 13824};
    HANDLE camera = OpenCamera();
    ASSERT_NE(INVALID_HANDLE_VALUE, camera);
    for (int i = 0; i < 4; i++) {
        DWORD returned;
        EXPECT_TRUE(Issue(camera, good[i], &returned)) << good[i].what;
        EXPECT_EQ(returned_bytes[i], returned) << good[i].what;
    }
    CloseHandle(camera);

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(0u, counters.rejected);
    EXPECT_EQ(2u, counters.frames_sent);
}

class SimulatedCameraConversations : public SimulatedCamera {
protected:
    // Back to one camera for the tests after this one.
    void TearDown() override
    {
        EXPECT_EQ(0, StopCamera());
        SimulatedCamera::TearDown();
    }
};

// Handles A and B, each on its camera, take turns: "Bv" is B's vendor
// request, then b a bulk read, x a vendor request the checks reject, c a
// close. Each camera counts the requests that break into a conversation.
TEST_F(SimulatedCameraConversations, CountsTheRequestsThatBreakIntoAnother)
{
    const Request vendor = {"", EZUSBSIM_IOCTL_VENDOR_REQUEST, {1, 2, 0, 0, 0xA8, 0, 1, 0}, 10, 1};
    const Request bad = {"", EZUSBSIM_IOCTL_VENDOR_REQUEST, {1, 2, 0, 0, 0xA8, 0, 0, 0}, 10, 1};
    const Request bulk = {"", EZUSBSIM_IOCTL_BULK_READ, {7, 0, 0, 0}, 4, 13824};
    const struct {
        const char *steps;
        int cameras[2];        // of A and B
        uint32_t overlaps[2];  // of cameras 0 and 1
    } cases[] = {
        {"Av Ab Ac", {0, 0}, {0, 0}},
        {"Av Bv Ab Bb", {0, 0}, {2, 0}},  // B's vendor request, A's read
        {"Ab", {0, 0}, {1, 0}},
        {"Av Ac Bv Bb", {0, 0}, {0, 0}},
        {"Av Bv Ab Bb", {0, 1}, {0, 0}},
        {"Ax Bv Bb", {0, 0}, {2, 0}},  // a rejected request opens one too
        {"Av Ab Ab", {0, 0}, {1, 0}},  // the second read
        {"Av Bb", {0, 0}, {1, 0}},     // both at once count once
    };
    ASSERT_EQ(0, RestartWithCameras(2));
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.steps << " on cameras " << c.cameras[0] << ", " << c.cameras[1]);
        ASSERT_EQ(0, ResetCameraCounters(0));
        ASSERT_EQ(0, ResetCameraCounters(1));
        HANDLE handles[2];
        uint32_t closes[2] = {0, 0};
        for (int h = 0; h < 2; ++h) {
            handles[h] = OpenCameraNumber(c.cameras[h]);
            ASSERT_NE(INVALID_HANDLE_VALUE, handles[h]);
        }
        for (const char *step = c.steps; step[0]; step += step[2] ? 3 : 2) {
            const int h = step[0] - 'A';
            DWORD returned;
            if (step[1] == 'c') {
                CloseHandle(handles[h]);
                handles[h] = INVALID_HANDLE_VALUE;
                // Closes come a moment late: the next step must follow it.
                const uint32_t closed = ++closes[c.cameras[h]];
                EzusbsimCounters counters;
                EXPECT_TRUE(WaitUntil([&] {
                    return ReadCameraCounters(c.cameras[h], &counters) == 0
                           && counters.closes == closed;
                }));
            } else {
                const Request &request = step[1] == 'v' ? vendor : step[1] == 'b' ? bulk : bad;
                EXPECT_EQ(step[1] != 'x', Issue(handles[h], request, &returned) != FALSE) << step;
            }
        }
        for (HANDLE handle : handles)
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        for (int camera = 0; camera < 2; ++camera) {
            EzusbsimCounters counters;
            ASSERT_EQ(0, ReadSettledCounters(&counters, camera));
            EXPECT_EQ(c.overlaps[camera], counters.overlaps) << "camera " << camera;
        }
    }
}

// The published description of the picture, checked at a few points with
// values worked out by hand (UYVY: U, Y0, V, Y1 per pixel pair).
TEST(SimulatedCameraPicture, MatchesItsDescription)
{
    std::vector<uint8_t> frame(EZUSBSIM_FRAME_BYTES);
    auto pair = [&frame](int x, int y) { return &frame[(y * EZUSBSIM_FRAME_WIDTH + x) * 2]; };
    auto same = [](const uint8_t *bytes, uint8_t u, uint8_t y0, uint8_t v, uint8_t y1) {
        return bytes[0] == u && bytes[1] == y0 && bytes[2] == v && bytes[3] == y1;
    };

    EzusbsimTestPicture(frame.data(), 0);
    EXPECT_TRUE(same(pair(0, 0), 128, 180, 128, 180));   // white bar
    EXPECT_TRUE(same(pair(22, 47), 44, 162, 142, 162));  // yellow, last row and pair
    EXPECT_TRUE(same(pair(48, 30), 184, 84, 198, 84));   // magenta
    EXPECT_TRUE(same(pair(72, 5), 212, 35, 114, 35));    // blue
    EXPECT_TRUE(same(pair(94, 47), 128, 16, 128, 16));   // black
    EXPECT_TRUE(same(pair(4, 50), 128, 235, 128, 235));  // "0": top row lit
    EXPECT_TRUE(same(pair(6, 54), 128, 16, 128, 16));    // "0": hollow middle
    EXPECT_TRUE(same(pair(2, 71), 100, 65, 212, 65));    // mark at x 0-3
    EXPECT_TRUE(same(pair(4, 60), 128, 25, 128, 27));    // ramp: 16 + 219x/95
    EXPECT_TRUE(same(pair(94, 65), 128, 232, 128, 235));

    // Frame 1234: digits "1234", the mark at x = 4 * (1234 mod 24) = 40.
    EzusbsimTestPicture(frame.data(), 1234);
    EXPECT_TRUE(same(pair(4, 50), 128, 16, 128, 16));  // "1": top row .#.
    EXPECT_TRUE(same(pair(6, 50), 128, 235, 128, 235));
    EXPECT_TRUE(same(pair(10, 54), 128, 16, 128, 16));    // gap before "2"
    EXPECT_TRUE(same(pair(12, 54), 128, 235, 128, 235));  // "2": middle row ###
    EXPECT_TRUE(same(pair(28, 58), 128, 16, 128, 16));    // "4": bottom row ..#
    EXPECT_TRUE(same(pair(32, 58), 128, 235, 128, 235));
    EXPECT_TRUE(same(pair(0, 60), 128, 16, 128, 18));
    EXPECT_TRUE(same(pair(42, 71), 100, 65, 212, 65));
    EXPECT_TRUE(same(pair(44, 60), 128, 117, 128, 119));

    // Frame 10000 shows 0000 again but the mark has moved on.
    std::vector<uint8_t> zero(EZUSBSIM_FRAME_BYTES);
    EzusbsimTestPicture(zero.data(), 0);
    EzusbsimTestPicture(frame.data(), 10000);
    EXPECT_EQ(-1, FirstDifference(frame.data(), zero.data(), 60 * 192));
    EXPECT_NE(-1, FirstDifference(frame.data(), zero.data(), EZUSBSIM_FRAME_BYTES));
}

}  // namespace

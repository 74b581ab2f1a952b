// The lock between our programs on one camera: its name, a conversation
// that waits while another holds the camera, and a name another user or
// another kind of object has taken, which sends nothing to the camera.
#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "camera_objects.h"
#include "frame.h"
#include "hang_limit.h"
#include "timed_capture.h"

namespace {

const char CAMERA[] = "\\\\.\\ezusb-0";

std::wstring Global(const char *device)
{
    return L"Global\\" + CameraObjectBase(device);
}

TEST(CameraNames, OneCameraWhateverItsCaseAndNoBackslash)
{
    std::wstring base = CameraObjectBase("\\\\.\\EZUSB-2");
    EXPECT_EQ(base, CameraObjectBase("\\\\.\\ezusb-2"));
    EXPECT_NE(base, CameraObjectBase("\\\\.\\ezusb-3"));
    EXPECT_EQ(0u, base.find(L"pukavro-v1-S-1-5-")) << base.c_str();
    EXPECT_EQ(base.size() - 22, base.rfind(L"-5c5c2e5c657a7573622d32") + 1) << base.c_str();
    EXPECT_EQ(std::wstring::npos, base.find(L'\\'));
}

class CameraLock : public SimulatedCamera {
protected:
    CameraSeam seam = TimedCameraSeam();
    std::vector<uint8_t> frame = std::vector<uint8_t>(RAW_FRAME_BYTES);
    EzusbsimCounters counters;

    CameraOutcome TakeOnce(uint32_t timeout_ms)
    {
        void *camera = seam.open(CAMERA);
        uint32_t got = 0;
        CameraOutcome outcome = seam.take_frame(camera, {TAKE_FRESH, timeout_ms, 0, false}, NULL,
                                                frame.data(), &got, NULL);
        seam.close(camera);
        return outcome;
    }
};

TEST_F(CameraLock, AConversationWaitsForTheProgramThatHoldsTheCamera)
{
    HANDLE held = NULL;
    ASSERT_EQ(SHARED_OBJECT_OURS, CreateCameraMutex(CameraObjectBase(CAMERA), &held));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 0));
    EXPECT_EQ(CAMERA_TIMED_OUT, TakeOnce(500));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(0u, counters.opens);
    ReleaseMutex(held);
    EXPECT_EQ(CAMERA_FRAME, TakeOnce(HANG_MS));
    CloseHandle(held);
}

// Each squatter holds the camera's name while the camera is asked once.
struct Squatter {
    const char *what;
    HANDLE (*make)(const std::wstring &name);
};

HANDLE AnEvent(const std::wstring &name)
{
    return CreateEventW(NULL, TRUE, FALSE, name.c_str());
}

// A mutex nobody may open: as another user's looks to us.
HANDLE ALockedMutex(const std::wstring &name)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, &descriptor,
                                                              NULL))
        return NULL;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexW(&attributes, FALSE, name.c_str());
    LocalFree(descriptor);
    return mutex;
}

TEST_F(CameraLock, ANameTakenByAnotherUserOrKindSendsNothing)
{
    const Squatter squatters[] = {{"an event", AnEvent}, {"a mutex we may not open", ALockedMutex}};
    for (const Squatter &squatter : squatters) {
        SCOPED_TRACE(squatter.what);
        HANDLE squatting = squatter.make(Global(CAMERA));
        ASSERT_TRUE(squatting != NULL);
        EXPECT_EQ(CAMERA_OTHER_USER, TakeOnce(HANG_MS));
        CloseHandle(squatting);
        ASSERT_EQ(0, ReadSettledCounters(&counters));
        EXPECT_EQ(0u, counters.opens);
    }
    EXPECT_EQ(CAMERA_FRAME, TakeOnce(HANG_MS));
}

}  // namespace

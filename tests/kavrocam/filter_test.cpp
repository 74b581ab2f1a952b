// The filter in a real capture graph of Wine's own DirectShow, on the
// simulated camera: every format and size gives the camera's frames in the
// project's own colours, timed on ticks, numbered by the camera; the camera
// is touched only once the graph runs; unplugging is told as DirectShow
// programs expect; a driver that keeps a request does not hold Stop.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "filter_graph.h"
#include "frame.h"
#include "hang_limit.h"
#include "program_argument.h"
#include "run_program.h"
#include "utf8_names.h"
#include "video_formats.h"

namespace {

std::string g_paths[2];  // the DLL, kavrocap.exe
const char *g_dll_path;

// The camera frame whose picture in format a sample holds, searched from
// frame *next on; its number, or -1 when it holds none of the camera's.
int FindCameraFrame(const Bytes &data, const VideoFormat &format, uint32_t next, uint32_t sent)
{
    Bytes picture(format.image_bytes);
    for (uint32_t n = next; n < sent; n++) {
        Bytes raw = CameraFrame(n);
        RenderVideoFrame(raw.data(), format, picture.data());
        if (picture == data)
            return (int)n;
    }
    return -1;
}

class FilterGraphTest : public SimulatedCamera {
protected:
    void SetUp() override
    {
        SimulatedCamera::SetUp();
        ASSERT_TRUE(LoadFilterDll(g_dll_path)) << g_dll_path;
        ASSERT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
    }
    void TearDown() override
    {
        ReleaseCaptureGraph(&graph);
        CoUninitialize();
        SimulatedCamera::TearDown();
    }

    // The samples hold the camera's pictures in order, each once, numbered
    // by the camera (media times rising), on ticks of period from stream
    // time 0, each lasting one period. A preview's samples carry no times
    // (the Smart Tee takes them off, so a renderer drops none).
    void ExpectCameraFrames(const std::vector<Grabbed> &samples, int format_index, int64_t period,
                            bool preview = false)
    {
        const VideoFormat &format = VideoFormatAt(format_index);
        EzusbsimCounters counters;
        ASSERT_EQ(0, ReadCounters(&counters));
        uint32_t next = 0;
        for (size_t i = 0; i < samples.size(); i++) {
            const Grabbed &s = samples[i];
            SCOPED_TRACE("format " + std::to_string(format_index) + ", sample "
                         + std::to_string(i));
            ASSERT_EQ(format.image_bytes, s.data.size());
            int n = FindCameraFrame(s.data, format, next, counters.frames_sent);
            ASSERT_GE(n, 0) << "not one of the camera's frames from " << next;
            next = (uint32_t)n + 1;
            if (preview) {
                EXPECT_FALSE(s.timed);
                continue;
            }
            ASSERT_TRUE(s.timed);
            EXPECT_GE(s.start, 0);
            EXPECT_EQ(0, s.start % period);
            EXPECT_EQ(s.start + period, s.stop);
            ASSERT_TRUE(s.media_timed);
            EXPECT_EQ(s.media_start + 1, s.media_stop);
            if (i > 0) {
                EXPECT_GT(s.start, samples[i - 1].start);
                EXPECT_GT(s.media_start, samples[i - 1].media_start);
            } else {
                EXPECT_TRUE(s.discontinuity);
            }
        }
    }

    CaptureGraph graph;
};

TEST_F(FilterGraphTest, EveryFormatAndSizeGivesTheCamerasFramesOnTicks)
{
    for (int format = 0; format < VIDEO_FORMATS; format++) {
        ASSERT_EQ(0, ResetCounters());
        IBaseFilter *source = NewSourceFilter();
        ASSERT_TRUE(source);
        ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, format, VIDEO_MIN_PERIOD)) << format;
        source->Release();
        ASSERT_TRUE(RunForSamples(&graph, 3)) << format;
        ExpectCameraFrames(GrabbedSamples(&graph), format, VIDEO_MIN_PERIOD);
        ReleaseCaptureGraph(&graph);
        graph = CaptureGraph();
    }
    EXPECT_EQ(S_OK, FilterDllCanUnloadNow());
}

// How OpenCV builds it: a preview through a Smart Tee, at the default rate.
TEST_F(FilterGraphTest, PreviewThroughASmartTee)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK,
              BuildCaptureGraph(&graph, source, 0, VIDEO_DEFAULT_PERIOD, PIN_CATEGORY_PREVIEW));
    source->Release();
    ASSERT_TRUE(RunForSamples(&graph, 3));
    ExpectCameraFrames(GrabbedSamples(&graph), 0, VIDEO_DEFAULT_PERIOD, true);
}

// What capture programs ask of the pin before they connect it: its
// category, its formats, a format set from a stale header; and what they
// get for missing pointers and wrong indexes.
TEST_F(FilterGraphTest, ThePinAnswersWhatCaptureProgramsAsk)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    IEnumPins *pins = NULL;
    IPin *pin = NULL;
    ASSERT_EQ(S_OK, source->EnumPins(&pins));
    ASSERT_EQ(S_OK, pins->Next(1, &pin, NULL));
    IPin *second = NULL;
    EXPECT_EQ(S_FALSE, pins->Next(1, &second, NULL));
    pins->Release();
    IKsPropertySet *properties = NULL;
    IAMStreamConfig *config = NULL;
    IAMFilterMiscFlags *flags = NULL;
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IKsPropertySet, (void **)&properties));
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IAMStreamConfig, (void **)&config));
    ASSERT_EQ(S_OK, source->QueryInterface(IID_IAMFilterMiscFlags, (void **)&flags));
    EXPECT_EQ((ULONG)AM_FILTER_MISC_FLAGS_IS_SOURCE, flags->GetMiscFlags());
    GUID category = GUID_NULL;
    DWORD returned = 0;
    EXPECT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, NULL, 0, &category,
                                    sizeof category, &returned));
    EXPECT_TRUE(IsEqualGUID(PIN_CATEGORY_CAPTURE, category));
    EXPECT_EQ(sizeof(GUID), returned);
    int count = 0, size = 0;
    EXPECT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(VIDEO_FORMATS, count);
    EXPECT_EQ((int)sizeof(VIDEO_STREAM_CONFIG_CAPS), size);
    AM_MEDIA_TYPE *mt = NULL;
    VIDEO_STREAM_CONFIG_CAPS caps;
    EXPECT_EQ(S_FALSE, config->GetStreamCaps(VIDEO_FORMATS, &mt, (BYTE *)&caps));
    EXPECT_EQ(E_POINTER, config->GetStreamCaps(0, NULL, (BYTE *)&caps));
    EXPECT_EQ(E_POINTER, config->GetFormat(NULL));
    EXPECT_EQ(E_POINTER, pin->QueryDirection(NULL));
    EXPECT_EQ(E_POINTER, source->GetState(0, NULL));

    // A stale header of UYVY at 2x: the subtype and size hold, the rest is rebuilt.
    ASSERT_EQ(S_OK, config->GetStreamCaps(5, &mt, (BYTE *)&caps));
    EXPECT_EQ(100000, caps.MinFrameInterval);
    EXPECT_EQ(10000000, caps.MaxFrameInterval);
    EXPECT_EQ(192, caps.MaxOutputSize.cx);
    VIDEOINFOHEADER *info = (VIDEOINFOHEADER *)mt->pbFormat;
    info->bmiHeader.biSizeImage = 1;
    info->bmiHeader.biBitCount = 24;
    info->AvgTimePerFrame = 500000;
    EXPECT_EQ(S_OK, config->SetFormat(mt));
    CoTaskMemFree(mt->pbFormat);
    CoTaskMemFree(mt);
    ASSERT_EQ(S_OK, config->GetFormat(&mt));
    info = (VIDEOINFOHEADER *)mt->pbFormat;
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_UYVY, mt->subtype));
    EXPECT_EQ(192 * 144 * 2u, info->bmiHeader.biSizeImage);
    EXPECT_EQ(16, info->bmiHeader.biBitCount);
    EXPECT_EQ(500000, info->AvgTimePerFrame);
    // Outside the rates and sizes offered.
    info->AvgTimePerFrame = 50000;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(mt));
    info->AvgTimePerFrame = 0;
    info->bmiHeader.biWidth = 640;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(mt));
    CoTaskMemFree(mt->pbFormat);
    CoTaskMemFree(mt);

    flags->Release();
    config->Release();
    properties->Release();
    pin->Release();
    source->Release();
    EXPECT_EQ(S_OK, FilterDllCanUnloadNow());
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(0u, counters.opens);
}

// Programs make the filter, list its formats and connect it just to show
// it in a list: the camera hears nothing of it until the graph runs.
TEST_F(FilterGraphTest, NothingReachesTheCameraBeforeRun)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    EXPECT_EQ(S_FALSE, FilterDllCanUnloadNow());
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 5, VIDEO_DEFAULT_PERIOD));
    source->Release();
    FILTER_STATE state;
    EXPECT_EQ(S_OK, source->Pause());
    EXPECT_EQ(VFW_S_CANT_CUE, source->GetState(0, &state));
    EXPECT_EQ(State_Paused, state);
    Sleep(300);  // long enough for a frame to have been sent, were one asked for
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(0u, counters.opens);
    EXPECT_EQ(0u, counters.vendor_requests);
    EXPECT_EQ(0u, GrabbedSamples(&graph).size());
    ASSERT_TRUE(RunForSamples(&graph, 2));
    EXPECT_EQ(S_OK, source->GetState(0, &state));
}

// Unplugged while running: EC_DEVICE_LOST with 0, nothing sent meanwhile;
// plugged back: EC_DEVICE_LOST with 1, and frames again.
TEST_F(FilterGraphTest, UnplugAndPlugBackAreToldAndFramesComeAgain)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD));
    IUnknown *identity = NULL;
    source->QueryInterface(IID_IUnknown, (void **)&identity);
    source->Release();
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    ASSERT_TRUE(WaitForSamples(&graph, 2));
    ASSERT_EQ(0, StopCamera());
    LONG_PTR first = 0, second = -1;
    ASSERT_TRUE(WaitForGraphEvent(&graph, 0x1F, &first, &second));
    EXPECT_EQ((LONG_PTR)identity, first);
    EXPECT_EQ(0, second);
    size_t before = GrabbedSamples(&graph).size();
    ASSERT_EQ(0, StartCamera());
    ASSERT_TRUE(WaitForGraphEvent(&graph, 0x1F, &first, &second));
    EXPECT_EQ((LONG_PTR)identity, first);
    EXPECT_EQ(1, second);
    ASSERT_TRUE(WaitForSamples(&graph, before + 2));
    graph.control->Stop();
    identity->Release();
    std::vector<Grabbed> samples = GrabbedSamples(&graph);
    // The sample after the camera came back follows a gap.
    EXPECT_TRUE(samples[before].discontinuity);
}

// Paused, the renderer keeps the sample it holds, and the sender with it,
// until the graph runs again; the frames then go on, on later ticks (the
// camera, let go meanwhile, numbers its frames afresh).
TEST_F(FilterGraphTest, PausedAndRunAgainTheFramesGoOn)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD));
    source->Release();
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    ASSERT_TRUE(WaitForSamples(&graph, 3));
    ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    size_t paused = GrabbedSamples(&graph).size();
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    ASSERT_TRUE(WaitForSamples(&graph, paused + 3));
    graph.control->Stop();
    std::vector<Grabbed> samples = GrabbedSamples(&graph);
    std::vector<Grabbed> before(samples.begin(), samples.begin() + paused);
    std::vector<Grabbed> after(samples.begin() + paused, samples.end());
    ExpectCameraFrames(before, 0, VIDEO_MIN_PERIOD);
    ExpectCameraFrames(after, 0, VIDEO_MIN_PERIOD);
    EXPECT_GT(after[0].start, before.back().start);
}

// A graph run while its camera is absent sends nothing and tells nothing
// until the camera appears; then its frames come.
TEST_F(FilterGraphTest, AnAbsentCameraSendsNothingUntilItAppears)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD));
    source->Release();
    ASSERT_EQ(0, StopCamera());
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    Sleep(500);  // the filter has asked for the camera a few times meanwhile
    EXPECT_EQ(0u, GrabbedSamples(&graph).size());
    ASSERT_EQ(0, StartCamera());
    ASSERT_TRUE(WaitForSamples(&graph, 2));
    graph.control->Stop();
    long code;
    LONG_PTR first, second;
    while (graph.events->GetEvent(&code, &first, &second, 0) == S_OK) {
        EXPECT_NE(0x1F, code);
        graph.events->FreeEventParams(code, first, second);
    }
    ExpectCameraFrames(GrabbedSamples(&graph), 0, VIDEO_MIN_PERIOD);
}

// Frames that come short or fail are never sent; the next whole one is.
TEST_F(FilterGraphTest, FailedAndShortFramesAreSkipped)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD));
    source->Release();
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, 100));
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    ASSERT_EQ(0, WaitForFramesSent(5));
    EXPECT_EQ(0u, GrabbedSamples(&graph).size());
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAIL_NEXT, 3));
    ASSERT_TRUE(WaitForSamples(&graph, 3));
    graph.control->Stop();
    ExpectCameraFrames(GrabbedSamples(&graph), 0, VIDEO_MIN_PERIOD);
}

// The driver keeps the request and ignores its cancel: Stop and the release
// of the filter return while it is still out.
TEST_F(FilterGraphTest, ARequestHeldInTheDriverHoldsNeitherStopNorRelease)
{
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_DEFAULT_PERIOD));
    source->Release();
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 3 * HANG_MS));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_IGNORE_CANCEL, 1));
    ASSERT_EQ(S_OK, RunAsProgramsDo(&graph));
    ASSERT_EQ(0, WaitForPendingRequests(1));
    HANDLE done = CreateEventW(NULL, TRUE, FALSE, NULL);
    std::thread stopping([&] {
        graph.control->Stop();
        ReleaseCaptureGraph(&graph);
        SetEvent(done);
    });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, HANG_MS));
    stopping.join();
    CloseHandle(done);
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(1u, counters.pending);
    // The held request ends with the camera's unplugging.
    ASSERT_EQ(0, StopCamera());
    ASSERT_EQ(0, StartCamera());
}

// Another program with a graph of its own: this one, run as "--take N",
// prints the camera's numbers of the N frames its graph received.
int TakeAsAnotherProgram(int count)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    IBaseFilter *source = NewSourceFilter();
    CaptureGraph graph;
    if (!source || FAILED(BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD)))
        return 1;
    source->Release();
    if (!RunForSamples(&graph, (size_t)count))
        return 1;
    EzusbsimCounters counters;
    ReadCounters(&counters);
    uint32_t next = 0;
    for (const Grabbed &s : GrabbedSamples(&graph)) {
        int n = FindCameraFrame(s.data, VideoFormatAt(0), next, counters.frames_sent);
        printf("%d\n", n);
        next = n < 0 ? next : (uint32_t)n + 1;
    }
    ReleaseCaptureGraph(&graph);
    return 0;
}

// Two programs with a graph each and kavrocap beside them on one camera:
// each gets the camera's frames in order, and the camera never hears two
// conversations at once.
TEST_F(FilterGraphTest, TwoGraphsInTwoProgramsAndKavrocapShareTheCamera)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring other =
        L"\"" + std::wstring(self) + L"\" \"" + WidenUtf8(g_paths[0].c_str()) + L"\" --take 40";
    std::wstring burst = L"\"" + WidenUtf8(g_paths[1].c_str()) + L"\" -q -n 20 -";
    ProgramRun runs[2];
    std::thread programs[2] = {
        std::thread([&] { RunProgram(other.c_str(), NULL, NULL, HANG_MS, &runs[0]); }),
        std::thread([&] { RunProgram(burst.c_str(), NULL, NULL, HANG_MS, &runs[1]); }),
    };
    IBaseFilter *source = NewSourceFilter();
    ASSERT_TRUE(source);
    ASSERT_EQ(S_OK, BuildCaptureGraph(&graph, source, 0, VIDEO_MIN_PERIOD));
    source->Release();
    bool came = RunForSamples(&graph, 40);
    for (std::thread &program : programs)
        program.join();
    ASSERT_TRUE(came);
    ExpectCameraFrames(GrabbedSamples(&graph), 0, VIDEO_MIN_PERIOD);

    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(0u, counters.overlaps);
    ASSERT_EQ(0u, runs[0].exit_code) << runs[0].err;
    std::vector<int> numbers;
    for (size_t at = 0; at < runs[0].out.size();) {
        numbers.push_back(atoi(runs[0].out.c_str() + at));
        at = runs[0].out.find('\n', at);
        at = at == std::string::npos ? runs[0].out.size() : at + 1;
    }
    ASSERT_EQ(40u, numbers.size()) << runs[0].out;
    for (size_t i = 0; i < numbers.size(); i++) {
        EXPECT_GE(numbers[i], 0) << i;
        if (i > 0) {
            EXPECT_GT(numbers[i], numbers[i - 1]) << i;
        }
    }
    ASSERT_EQ(0u, runs[1].exit_code) << runs[1].err;
    ASSERT_EQ(20u * RAW_FRAME_BYTES, runs[1].out.size());
    uint32_t next = 0;
    for (int i = 0; i < 20; i++) {
        Bytes frame(runs[1].out.begin() + i * RAW_FRAME_BYTES,
                    runs[1].out.begin() + (i + 1) * RAW_FRAME_BYTES);
        int n = -1;
        for (uint32_t k = next; k < counters.frames_sent && n < 0; k++)
            n = CameraFrame(k) == frame ? (int)k : -1;
        ASSERT_GE(n, 0) << "kavrocap's frame " << i;
        next = (uint32_t)n + 1;
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[2], "--take") == 0) {
        if (!LoadFilterDll(argv[1]))
            return 2;
        return TakeAsAnotherProgram(atoi(argv[3]));
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (ProgramArguments("KAVROCAM.DLL KAVROCAP.EXE", 2, g_paths) != 0)
        return 2;
    g_dll_path = g_paths[0].c_str();
    return RUN_ALL_TESTS();
}

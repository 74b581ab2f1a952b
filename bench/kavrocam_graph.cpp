// The camera filter in a capture graph of Wine's DirectShow, on the
// simulated camera: for each rate and picture, SECONDS of samples into a
// Sample Grabber, against the camera's frames in the same seconds (the
// simulator's count); each sample's delay from its tick (its start time)
// to its arrival at the grabber, in stream time on the graph's clock; and
// the process's processor time per sample (the filter's taking, rendering
// and sending, and the grabber's copy).
//
// usage: kavrocam_graph.exe KAVROCAM.DLL [SECONDS]
//        kavrocam_graph.exe --frames-sent   (the simulator's count, for a
//                                            script timing another program)
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "filter_graph.h"
#include "sim_controls.h"
#include "summary.h"
#include "video_formats.h"

namespace {

double ProcessSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

struct Case {
    const char *name;
    int format;
    int64_t period;
};

int Run(const Case &c, int seconds)
{
    IBaseFilter *source = NewSourceFilter();
    CaptureGraph graph;
    graph.keep_bytes = false;
    if (!source || FAILED(BuildCaptureGraph(&graph, source, c.format, c.period))) {
        fprintf(stderr, "kavrocam_graph: cannot build the graph for %s\n", c.name);
        return 1;
    }
    source->Release();
    EzusbsimCounters before, after;
    ReadCounters(&before);
    double cpu = ProcessSeconds();
    if (!StartGraph(&graph, true)) {
        fprintf(stderr, "kavrocam_graph: cannot run the graph for %s\n", c.name);
        return 1;
    }
    Sleep(seconds * 1000);
    graph.control->Stop();
    cpu = ProcessSeconds() - cpu;
    ReadCounters(&after);
    std::vector<Grabbed> samples = GrabbedSamples(&graph);
    ReleaseCaptureGraph(&graph);

    std::vector<double> delays;
    for (const Grabbed &s : samples)
        delays.push_back((double)(s.arrived - s.start) / 10000.0);
    uint32_t camera = after.frames_sent - before.frames_sent;
    Summary d = Summarize(delays);
    printf("%-22s samples %5zu (%.1f/s)  camera %5u (%.1f/s)  ratio %.3f  "
           "delay ms p50 %.2f p99 %.2f max %.2f  cpu ms/sample %.3f\n",
           c.name, samples.size(), samples.size() / (double)seconds, camera,
           camera / (double)seconds, camera ? samples.size() / (double)camera : 0.0, d.median,
           d.p99, d.max, samples.empty() ? 0.0 : cpu * 1000 / samples.size());
    fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], "--frames-sent") == 0) {
        EzusbsimCounters counters;
        if (ReadCounters(&counters) != 0)
            return 1;
        printf("%u\n", counters.frames_sent);
        return 0;
    }
    if (argc < 2 || !LoadFilterDll(argv[1])) {
        fprintf(stderr, "usage: kavrocam_graph KAVROCAM.DLL [SECONDS]\n");
        return 2;
    }
    int seconds = argc > 2 ? atoi(argv[2]) : 10;
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    const int rgb24_8x = FindVideoFormat(VIDEO_RGB24, 768, 576);
    const Case cases[] = {
        {"RGB24 96x72 at 30/s", 0, VIDEO_DEFAULT_PERIOD},
        {"RGB24 96x72 fastest", 0, VIDEO_MIN_PERIOD},
        {"RGB24 768x576 at 30/s", rgb24_8x, VIDEO_DEFAULT_PERIOD},
        {"RGB24 768x576 fastest", rgb24_8x, VIDEO_MIN_PERIOD},
    };
    int status = 0;
    for (const Case &c : cases)
        status |= Run(c, seconds);
    CoUninitialize();
    return status;
}

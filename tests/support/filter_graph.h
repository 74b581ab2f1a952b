// The camera filter as DirectShow programs drive it, for tests and
// benchmarks: loaded from its DLL as COM would, built into a capture graph
// by Windows' own capture graph builder, into a Sample Grabber that keeps
// every sample and a Null Renderer.
#ifndef PUKAVRO_TESTS_FILTER_GRAPH_H
#define PUKAVRO_TESTS_FILTER_GRAPH_H

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>

#include <vector>

#include "bytes.h"

// A sample as the grabber saw it; times are stream times.
struct Grabbed {
    Bytes data;
    bool timed;
    REFERENCE_TIME start, stop;
    bool media_timed;
    LONGLONG media_start, media_stop;
    bool discontinuity;
    REFERENCE_TIME arrived;  // stream time when it reached the grabber, or -1
};

// Loads dll (its path) once; NULL-safe afterwards.
bool LoadFilterDll(const char *dll);
HRESULT FilterDllCanUnloadNow();
// A new filter, as the class factory makes it.
IBaseFilter *NewSourceFilter();

struct GrabberCallback;

struct CaptureGraph {
    IGraphBuilder *graph = NULL;
    ICaptureGraphBuilder2 *builder = NULL;
    IBaseFilter *source = NULL, *grabber = NULL, *renderer = NULL;
    IMediaControl *control = NULL;
    IMediaEventEx *events = NULL;
    GrabberCallback *callback = NULL;
    // false: only the times (a benchmark's seconds of 768 x 576 pictures
    // would not fit a 32-bit process).
    bool keep_bytes = true;
};

// Builds source -> (Smart Tee for a preview) -> grabber -> Null Renderer for
// offered format index at period, through RenderStream(category). The grabber
// takes the format's subtype only (Wine's graph has no colour converter).
HRESULT BuildCaptureGraph(CaptureGraph *graph, IBaseFilter *source, int format, int64_t period,
                          const GUID &category = PIN_CATEGORY_CAPTURE);
// Waits (up to HANG_MS) until count samples have come since the graph was built.
bool WaitForSamples(CaptureGraph *graph, size_t count);
// Runs the graph as capture programs check it (ffmpeg among them): S_OK,
// or S_FALSE and then, asked at once, a running state.
HRESULT RunAsProgramsDo(CaptureGraph *graph);
// Runs the graph. With own_start at a start time of ours, so that each
// sample's arrival is known in stream time (Grabbed::arrived); otherwise
// as programs run it, and arrived is -1.
bool StartGraph(CaptureGraph *graph, bool own_start = false);
// Runs until count samples came, then stops; true when they came.
bool RunForSamples(CaptureGraph *graph, size_t count);
std::vector<Grabbed> GrabbedSamples(CaptureGraph *graph);
// Waits (up to HANG_MS) for the graph's next event of code; true with its parameters.
bool WaitForGraphEvent(CaptureGraph *graph, long code, LONG_PTR *first, LONG_PTR *second);
void ReleaseCaptureGraph(CaptureGraph *graph);

#endif

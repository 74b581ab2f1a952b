#include "filter_graph.h"

#include <qedit.h>

#include <mutex>
#include <string>

#include "hang_limit.h"
#include "utf8_names.h"

// In MinGW's libstrmiids but not declared by its qedit.h.
extern "C" const CLSID CLSID_SampleGrabber;
extern "C" const CLSID CLSID_NullRenderer;

namespace {

HMODULE g_dll;

template <typename T> void Drop(T *&p)
{
    if (p)
        p->Release();
    p = NULL;
}

}  // namespace

struct GrabberCallback final : ISampleGrabberCB {
    std::mutex lock;
    std::vector<Grabbed> samples;
    HANDLE arrived = CreateEventW(NULL, FALSE, FALSE, NULL);
    IReferenceClock *clock = NULL;  // with a start of ours only
    REFERENCE_TIME started = 0;
    bool keep_bytes = true;

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
            *object = this;
            return S_OK;
        }
        *object = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample *sample) override
    {
        Grabbed g;
        REFERENCE_TIME now = 0;
        g.arrived = clock && SUCCEEDED(clock->GetTime(&now)) ? now - started : -1;
        BYTE *data = NULL;
        sample->GetPointer(&data);
        if (keep_bytes)
            g.data.assign(data, data + sample->GetActualDataLength());
        g.timed = sample->GetTime(&g.start, &g.stop) == S_OK;
        g.media_timed = sample->GetMediaTime(&g.media_start, &g.media_stop) == S_OK;
        g.discontinuity = sample->IsDiscontinuity() == S_OK;
        std::lock_guard<std::mutex> hold(lock);
        samples.push_back(std::move(g));
        SetEvent(arrived);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE *, long) override { return E_NOTIMPL; }
};

bool LoadFilterDll(const char *dll)
{
    if (!g_dll)
        g_dll = LoadLibraryW(WidenUtf8(dll).c_str());
    return g_dll != NULL;
}

HRESULT FilterDllCanUnloadNow()
{
    typedef HRESULT(WINAPI * CanUnload)();
    CanUnload can = (CanUnload)(void *)GetProcAddress(g_dll, "DllCanUnloadNow");
    return can ? can() : E_FAIL;
}

IBaseFilter *NewSourceFilter()
{
    typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void **);
    GetClassObject get = (GetClassObject)(void *)GetProcAddress(g_dll, "DllGetClassObject");
    // {729EE6F8-5B5F-4D9F-A7CD-33BF2C6ECF3E}
    const CLSID source = {
        0x729ee6f8, 0x5b5f, 0x4d9f, {0xa7, 0xcd, 0x33, 0xbf, 0x2c, 0x6e, 0xcf, 0x3e}};
    IClassFactory *factory = NULL;
    IBaseFilter *filter = NULL;
    if (get && SUCCEEDED(get(source, IID_IClassFactory, (void **)&factory))) {
        factory->CreateInstance(NULL, IID_IBaseFilter, (void **)&filter);
        factory->Release();
    }
    return filter;
}

static IPin *FirstPin(IBaseFilter *filter)
{
    IEnumPins *pins = NULL;
    IPin *pin = NULL;
    if (SUCCEEDED(filter->EnumPins(&pins))) {
        pins->Next(1, &pin, NULL);
        pins->Release();
    }
    return pin;
}

HRESULT BuildCaptureGraph(CaptureGraph *g, IBaseFilter *source, int format, int64_t period,
                          const GUID &category)
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  (void **)&g->graph);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, NULL, CLSCTX_INPROC_SERVER,
                              IID_ICaptureGraphBuilder2, (void **)&g->builder);
    if (SUCCEEDED(hr))
        hr = g->builder->SetFiltergraph(g->graph);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_SampleGrabber, NULL, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              (void **)&g->grabber);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_NullRenderer, NULL, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              (void **)&g->renderer);
    if (FAILED(hr))
        return hr;
    g->source = source;
    source->AddRef();
    g->graph->AddFilter(source, L"pukavro camera 0");
    g->graph->AddFilter(g->grabber, L"grabber");
    g->graph->AddFilter(g->renderer, L"renderer");

    // The format, set as capture programs set it, from the pin's own list.
    IPin *pin = FirstPin(source);
    IAMStreamConfig *config = NULL;
    if (!pin || FAILED(hr = pin->QueryInterface(IID_IAMStreamConfig, (void **)&config))) {
        Drop(pin);
        return FAILED(hr) ? hr : E_FAIL;
    }
    AM_MEDIA_TYPE *mt = NULL;
    VIDEO_STREAM_CONFIG_CAPS caps;
    hr = config->GetStreamCaps(format, &mt, (BYTE *)&caps);
    if (hr == S_OK) {
        ((VIDEOINFOHEADER *)mt->pbFormat)->AvgTimePerFrame = period;
        hr = config->SetFormat(mt);
    }
    ISampleGrabber *grabber = NULL;
    if (hr == S_OK)
        hr = g->grabber->QueryInterface(IID_ISampleGrabber, (void **)&grabber);
    if (SUCCEEDED(hr)) {
        AM_MEDIA_TYPE wanted = {};
        wanted.majortype = MEDIATYPE_Video;
        wanted.subtype = mt->subtype;
        hr = grabber->SetMediaType(&wanted);
        g->callback = new GrabberCallback();
        g->callback->keep_bytes = g->keep_bytes;
        if (SUCCEEDED(hr))
            hr = grabber->SetCallback(g->callback, 0);
        grabber->Release();
    }
    if (mt) {
        CoTaskMemFree(mt->pbFormat);
        CoTaskMemFree(mt);
    }
    config->Release();
    pin->Release();
    if (SUCCEEDED(hr))
        hr = g->builder->RenderStream(&category, &MEDIATYPE_Video, source, g->grabber, g->renderer);
    if (SUCCEEDED(hr))
        hr = g->graph->QueryInterface(IID_IMediaControl, (void **)&g->control);
    if (SUCCEEDED(hr))
        hr = g->graph->QueryInterface(IID_IMediaEventEx, (void **)&g->events);
    return hr;
}

bool WaitForSamples(CaptureGraph *g, size_t count)
{
    DWORD waited = 0;
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(g->callback->lock);
            if (g->callback->samples.size() >= count)
                return true;
        }
        if (waited >= HANG_MS)
            return false;
        WaitForSingleObject(g->callback->arrived, 100);
        waited += 100;
    }
}

HRESULT RunAsProgramsDo(CaptureGraph *g)
{
    HRESULT hr = g->control->Run();
    if (hr == S_FALSE) {
        OAFilterState state;
        hr = g->control->GetState(0, &state);
    }
    return hr;
}

bool StartGraph(CaptureGraph *g, bool own_start)
{
    HRESULT hr;
    if (own_start) {
        IMediaFilter *filter = NULL;
        IReferenceClock *clock = NULL;
        REFERENCE_TIME now = 0;
        hr = g->graph->QueryInterface(IID_IMediaFilter, (void **)&filter);
        if (SUCCEEDED(hr))
            hr = g->control->Pause();
        if (SUCCEEDED(hr))
            hr = filter->GetSyncSource(&clock);
        if (SUCCEEDED(hr) && clock)
            hr = clock->GetTime(&now);
        // Stream time 0 a little ahead, as a graph starts its own.
        g->callback->started = now + 1000000;
        if (SUCCEEDED(hr) && clock)
            hr = filter->Run(g->callback->started);
        if (filter)
            filter->Release();
        g->callback->clock = clock;
        if (SUCCEEDED(hr))
            hr = S_OK;  // filters still pausing run once they are done
    } else {
        hr = RunAsProgramsDo(g);
    }
    return hr == S_OK;
}

bool RunForSamples(CaptureGraph *g, size_t count)
{
    if (!StartGraph(g))
        return false;
    bool came = WaitForSamples(g, count);
    g->control->Stop();
    return came;
}

std::vector<Grabbed> GrabbedSamples(CaptureGraph *g)
{
    std::lock_guard<std::mutex> hold(g->callback->lock);
    return g->callback->samples;
}

bool WaitForGraphEvent(CaptureGraph *g, long code, LONG_PTR *first, LONG_PTR *second)
{
    for (DWORD waited = 0; waited < HANG_MS; waited += 100) {
        long got;
        LONG_PTR p1, p2;
        if (g->events->GetEvent(&got, &p1, &p2, 100) != S_OK)
            continue;
        g->events->FreeEventParams(got, p1, p2);
        if (got == code) {
            *first = p1;
            *second = p2;
            return true;
        }
    }
    return false;
}

void ReleaseCaptureGraph(CaptureGraph *g)
{
    if (g->control)
        g->control->Stop();
    Drop(g->control);
    Drop(g->events);
    Drop(g->builder);
    Drop(g->source);
    Drop(g->grabber);
    Drop(g->renderer);
    Drop(g->graph);
    if (g->callback) {
        Drop(g->callback->clock);
        CloseHandle(g->callback->arrived);
        delete g->callback;
        g->callback = NULL;
    }
}

#include "source_filter.h"

#include <new>

#include "camera_choice.h"
#include "dll_module.h"
#include "ezusb_device.h"
#include "filter_ids.h"
#include "media_types.h"
#include "utf8_names.h"

namespace {

// Holds the filter's lock for a scope.
struct Locked {
    CRITICAL_SECTION *lock;
    explicit Locked(SourceFilter *filter) : lock(&filter->lock) { EnterCriticalSection(lock); }
    ~Locked() { LeaveCriticalSection(lock); }
};

}  // namespace

HRESULT CreateSourceFilter(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = NULL;
    SourceFilter *filter = new (std::nothrow) SourceFilter();
    if (!filter)
        return E_OUTOFMEMORY;
    filter->refs = 1;
    InitializeCriticalSection(&filter->lock);
    filter->pin.filter = filter;
    filter->state = State_Stopped;
    filter->device = EZUSB_DEVICE_PATH;
    filter->chosen = -1;
    filter->chosen_period = VIDEO_DEFAULT_PERIOD;
    ObjectMade();
    HRESULT hr = filter->QueryInterface(iid, object);
    filter->Release();
    return hr;
}

STDMETHODIMP SourceFilter::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist)
        || IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IBaseFilter)) {
        *object = static_cast<IBaseFilter *>(this);
    } else if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) {
        *object = static_cast<IAMFilterMiscFlags *>(this);
    } else if (IsEqualIID(iid, IID_IPersistPropertyBag)) {
        *object = static_cast<IPersistPropertyBag *>(this);
    } else {
        *object = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SourceFilter::AddRef()
{
    return InterlockedIncrement(&refs);
}

STDMETHODIMP_(ULONG) SourceFilter::Release()
{
    LONG left = InterlockedDecrement(&refs);
    if (left != 0)
        return left;
    // A program may let go without stopping the graph.
    Stop();
    pin.Disconnect();
    if (clock)
        clock->Release();
    DeleteCriticalSection(&lock);
    delete this;
    ObjectGone();
    return 0;
}

STDMETHODIMP SourceFilter::GetClassID(CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_KavrocamSource;
    return S_OK;
}

STDMETHODIMP SourceFilter::Stop()
{
    Locked locked(this);
    if (stream) {
        StopStream(stream, &pacer);
        stream = NULL;
    }
    if (allocator)
        allocator->Decommit();
    pacer = FramePacer{};
    state = State_Stopped;
    return S_OK;
}

// A live source: nothing to cue while paused, so nothing is sent, as
// GetState tells. Pause itself answers S_OK: Wine's graph hands a filter's
// VFW_S_CANT_CUE from the Pause that starts a Run on as the Run's own
// result, and programs that take anything but S_OK (or S_FALSE and then a
// running state) from Run as a failure, ffmpeg among them, would not start.
STDMETHODIMP SourceFilter::Pause()
{
    Locked locked(this);
    // Waiting here for the sender would wait on the paused renderer that
    // holds it; the next Run or Stop, which reach the renderer first, end it.
    if (stream)
        EndStreamSoon(stream);
    if (allocator) {
        HRESULT hr = allocator->Commit();
        if (FAILED(hr))
            return hr;
    }
    state = State_Paused;
    return S_OK;
}

STDMETHODIMP SourceFilter::Run(REFERENCE_TIME start)
{
    Locked locked(this);
    if (state == State_Running)
        return S_OK;
    if (state == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (stream) {
        // The last run's, ended by the pause: its pacer goes on.
        StopStream(stream, &pacer);
        stream = NULL;
        HRESULT hr = allocator ? allocator->Commit() : S_OK;
        if (FAILED(hr))
            return hr;
    }
    if (peer) {
        StreamSetup setup = {device.c_str(),
                             VideoFormatAt(format),
                             period,
                             allocator,
                             input,
                             clock,
                             start,
                             events,
                             static_cast<IBaseFilter *>(this),
                             pacer};
        stream = StartStream(setup);
        if (!stream)
            return E_OUTOFMEMORY;
    }
    state = State_Running;
    return S_OK;
}

STDMETHODIMP SourceFilter::GetState(DWORD, FILTER_STATE *now)
{
    if (!now)
        return E_POINTER;
    Locked locked(this);
    *now = state;
    return state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP SourceFilter::SetSyncSource(IReferenceClock *new_clock)
{
    Locked locked(this);
    if (new_clock)
        new_clock->AddRef();
    if (clock)
        clock->Release();
    clock = new_clock;
    return S_OK;
}

STDMETHODIMP SourceFilter::GetSyncSource(IReferenceClock **now)
{
    if (!now)
        return E_POINTER;
    Locked locked(this);
    *now = clock;
    if (clock)
        clock->AddRef();
    return S_OK;
}

STDMETHODIMP SourceFilter::EnumPins(IEnumPins **pins)
{
    if (!pins)
        return E_POINTER;
    return NewPinEnumerator(&pin, pins);
}

STDMETHODIMP SourceFilter::FindPin(LPCWSTR id, IPin **found)
{
    if (!id || !found)
        return E_POINTER;
    *found = NULL;
    if (lstrcmpW(id, CAPTURE_PIN_NAME) != 0)
        return VFW_E_NOT_FOUND;
    *found = &pin;
    pin.AddRef();
    return S_OK;
}

STDMETHODIMP SourceFilter::QueryFilterInfo(FILTER_INFO *info)
{
    if (!info)
        return E_POINTER;
    Locked locked(this);
    lstrcpynW(info->achName, name, MAX_FILTER_NAME);
    info->pGraph = graph;
    if (graph)
        graph->AddRef();
    return S_OK;
}

STDMETHODIMP SourceFilter::JoinFilterGraph(IFilterGraph *new_graph, LPCWSTR new_name)
{
    Locked locked(this);
    graph = new_graph;
    events = NULL;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, (void **)&events)))
        events->Release();  // the graph outlives our membership; a reference would leak us
    lstrcpynW(name, graph && new_name ? new_name : L"", MAX_FILTER_NAME);
    return S_OK;
}

STDMETHODIMP SourceFilter::QueryVendorInfo(LPWSTR *info)
{
    if (!info)
        return E_POINTER;
    *info = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP_(ULONG) SourceFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

STDMETHODIMP SourceFilter::InitNew()
{
    return S_OK;
}

// The entry's DevicePath says which camera; without one it is camera 0.
STDMETHODIMP SourceFilter::Load(IPropertyBag *bag, IErrorLog *log)
{
    if (!bag)
        return E_POINTER;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    if (SUCCEEDED(bag->Read(L"DevicePath", &value, log)) && value.vt == VT_BSTR && value.bstrVal) {
        std::string text = NarrowToUtf8(value.bstrVal), chosen_device;
        if (ChooseDevice(text.c_str(), &chosen_device) == DEVICE_CHOSEN) {
            Locked locked(this);
            device = chosen_device;
        }
    }
    VariantClear(&value);
    return S_OK;
}

STDMETHODIMP SourceFilter::Save(IPropertyBag *, BOOL, BOOL)
{
    return E_NOTIMPL;
}

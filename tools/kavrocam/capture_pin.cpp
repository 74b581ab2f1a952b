#include <string.h>

#include "media_types.h"
#include "source_filter.h"

namespace {

struct Locked {
    CRITICAL_SECTION *lock;
    explicit Locked(SourceFilter *filter) : lock(&filter->lock) { EnterCriticalSection(lock); }
    ~Locked() { LeaveCriticalSection(lock); }
};

// Every buffer holds a whole image, and there are at least two, so one
// can fill while the other is downstream.
enum { LEAST_BUFFERS = 2 };

bool CopyMediaType(AM_MEDIA_TYPE *to, const AM_MEDIA_TYPE *from)
{
    *to = *from;
    if (from->cbFormat) {
        to->pbFormat = (BYTE *)CoTaskMemAlloc(from->cbFormat);
        if (!to->pbFormat) {
            to->cbFormat = 0;
            to->pUnk = NULL;
            return false;
        }
        memcpy(to->pbFormat, from->pbFormat, from->cbFormat);
    }
    if (to->pUnk)
        to->pUnk->AddRef();
    return true;
}

void ForgetConnection(SourceFilter *filter)
{
    if (filter->allocator) {
        filter->allocator->Decommit();
        filter->allocator->Release();
    }
    if (filter->input)
        filter->input->Release();
    if (filter->peer) {
        filter->peer->Release();
        FreeMediaTypeParts(&filter->type);
    }
    filter->allocator = NULL;
    filter->input = NULL;
    filter->peer = NULL;
}

// Agrees on the buffers with the input pin: its allocator if it has one,
// else a memory allocator of our own, sized as it asks and at least for
// two whole images.
HRESULT DecideAllocator(SourceFilter *filter, IMemInputPin *input, long image_bytes)
{
    ALLOCATOR_PROPERTIES wanted = {0, 0, 0, 0};
    input->GetAllocatorRequirements(&wanted);
    if (wanted.cBuffers < LEAST_BUFFERS)
        wanted.cBuffers = LEAST_BUFFERS;
    if (wanted.cbBuffer < image_bytes)
        wanted.cbBuffer = image_bytes;
    if (wanted.cbAlign < 1)
        wanted.cbAlign = 1;
    for (int attempt = 0; attempt < 2; attempt++) {
        IMemAllocator *allocator = NULL;
        HRESULT hr = attempt == 0
                         ? input->GetAllocator(&allocator)
                         : CoCreateInstance(CLSID_MemoryAllocator, NULL, CLSCTX_INPROC_SERVER,
                                            IID_IMemAllocator, (void **)&allocator);
        if (FAILED(hr) || !allocator)
            continue;
        ALLOCATOR_PROPERTIES actual;
        hr = allocator->SetProperties(&wanted, &actual);
        if (SUCCEEDED(hr) && actual.cbBuffer - actual.cbPrefix >= image_bytes
            && actual.cBuffers >= 1)
            hr = input->NotifyAllocator(allocator, FALSE);
        else if (SUCCEEDED(hr))
            hr = VFW_E_SIZENOTSET;
        if (SUCCEEDED(hr)) {
            filter->allocator = allocator;
            return S_OK;
        }
        allocator->Release();
    }
    return VFW_E_NO_ALLOCATOR;
}

HRESULT TryConnection(SourceFilter *filter, IPin *receiver, int index, int64_t period)
{
    AM_MEDIA_TYPE mt;
    if (!FillMediaType(VideoFormatAt(index), period, &mt))
        return E_OUTOFMEMORY;
    HRESULT hr = receiver->ReceiveConnection(&filter->pin, &mt);
    if (FAILED(hr)) {
        FreeMediaTypeParts(&mt);
        return hr;
    }
    IMemInputPin *input = NULL;
    hr = receiver->QueryInterface(IID_IMemInputPin, (void **)&input);
    if (SUCCEEDED(hr))
        hr = DecideAllocator(filter, input, (long)VideoFormatAt(index).image_bytes);
    if (FAILED(hr)) {
        if (input)
            input->Release();
        receiver->Disconnect();
        FreeMediaTypeParts(&mt);
        return hr;
    }
    filter->peer = receiver;
    receiver->AddRef();
    filter->input = input;
    filter->type = mt;
    filter->format = index;
    filter->period = period;
    return S_OK;
}

}  // namespace

STDMETHODIMP CapturePin::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
        *object = static_cast<IPin *>(this);
    } else if (IsEqualIID(iid, IID_IKsPropertySet)) {
        *object = static_cast<IKsPropertySet *>(this);
    } else if (IsEqualIID(iid, IID_IAMStreamConfig)) {
        *object = static_cast<IAMStreamConfig *>(this);
    } else {
        *object = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CapturePin::AddRef()
{
    return filter->AddRef();
}
STDMETHODIMP_(ULONG) CapturePin::Release()
{
    return filter->Release();
}

STDMETHODIMP CapturePin::Connect(IPin *receiver, const AM_MEDIA_TYPE *mt)
{
    if (!receiver)
        return E_POINTER;
    Locked locked(filter);
    if (filter->peer)
        return VFW_E_ALREADY_CONNECTED;
    if (filter->state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION direction;
    if (FAILED(receiver->QueryDirection(&direction)) || direction != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int start = 0; start < VIDEO_FORMATS;) {
        int64_t period = filter->chosen_period;
        int index = start;
        if (mt) {
            index = MatchMediaType(mt, start, &period);
            if (index < 0)
                break;
            // A type that names no period takes the chosen one.
            if (mt->pbFormat && ((const VIDEOINFOHEADER *)mt->pbFormat)->AvgTimePerFrame == 0)
                period = filter->chosen_period;
        }
        start = index + 1;
        if (filter->chosen >= 0 && index != filter->chosen)
            continue;
        HRESULT hr = TryConnection(filter, receiver, index, period);
        if (SUCCEEDED(hr))
            return S_OK;
        if (hr != VFW_E_TYPE_NOT_ACCEPTED && hr != E_FAIL)
            last = hr;
    }
    return last;
}

STDMETHODIMP CapturePin::ReceiveConnection(IPin *, const AM_MEDIA_TYPE *)
{
    return E_UNEXPECTED;
}

STDMETHODIMP CapturePin::Disconnect()
{
    Locked locked(filter);
    if (filter->state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!filter->peer)
        return S_FALSE;
    ForgetConnection(filter);
    return S_OK;
}

STDMETHODIMP CapturePin::ConnectedTo(IPin **pin)
{
    if (!pin)
        return E_POINTER;
    Locked locked(filter);
    *pin = filter->peer;
    if (!filter->peer)
        return VFW_E_NOT_CONNECTED;
    filter->peer->AddRef();
    return S_OK;
}

STDMETHODIMP CapturePin::ConnectionMediaType(AM_MEDIA_TYPE *mt)
{
    if (!mt)
        return E_POINTER;
    Locked locked(filter);
    if (!filter->peer) {
        memset(mt, 0, sizeof *mt);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mt, &filter->type) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::QueryPinInfo(PIN_INFO *info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = filter;
    filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    lstrcpynW(info->achName, CAPTURE_PIN_NAME, MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CapturePin::QueryDirection(PIN_DIRECTION *direction)
{
    if (!direction)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CapturePin::QueryId(LPWSTR *id)
{
    if (!id)
        return E_POINTER;
    *id = (LPWSTR)CoTaskMemAlloc(sizeof CAPTURE_PIN_NAME);
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, CAPTURE_PIN_NAME, sizeof CAPTURE_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CapturePin::QueryAccept(const AM_MEDIA_TYPE *mt)
{
    if (!mt)
        return E_POINTER;
    Locked locked(filter);
    int64_t period;
    int index = MatchMediaType(mt, filter->chosen >= 0 ? filter->chosen : 0, &period);
    if (index < 0 || (filter->chosen >= 0 && index != filter->chosen))
        return S_FALSE;
    return S_OK;
}

STDMETHODIMP CapturePin::EnumMediaTypes(IEnumMediaTypes **types)
{
    if (!types)
        return E_POINTER;
    Locked locked(filter);
    return NewTypeEnumerator(filter->chosen, filter->chosen_period, types);
}

STDMETHODIMP CapturePin::QueryInternalConnections(IPin **, ULONG *)
{
    return E_NOTIMPL;
}
STDMETHODIMP CapturePin::EndOfStream()
{
    return E_UNEXPECTED;
}
STDMETHODIMP CapturePin::BeginFlush()
{
    return E_UNEXPECTED;
}
STDMETHODIMP CapturePin::EndFlush()
{
    return E_UNEXPECTED;
}
STDMETHODIMP CapturePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

STDMETHODIMP CapturePin::Set(REFGUID set, DWORD, void *, DWORD, void *, DWORD)
{
    return IsEqualGUID(set, AMPROPSETID_Pin) ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, void *, DWORD, void *data, DWORD data_bytes,
                             DWORD *returned)
{
    if (!IsEqualGUID(set, AMPROPSETID_Pin))
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!data && !returned)
        return E_POINTER;
    if (returned)
        *returned = sizeof(GUID);
    if (!data)
        return S_OK;
    if (data_bytes < sizeof(GUID))
        return E_UNEXPECTED;
    memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
    return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD *support)
{
    if (!IsEqualGUID(set, AMPROPSETID_Pin))
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE *mt)
{
    Locked locked(filter);
    if (filter->state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    int index = -1;
    int64_t period = VIDEO_DEFAULT_PERIOD;
    if (mt) {
        index = MatchSetFormat(mt, &period);
        if (index < 0)
            return VFW_E_INVALIDMEDIATYPE;
    }
    if (filter->peer) {
        // Connected: the same type stands; another one only if the peer takes it.
        if (index == filter->format && period == filter->period) {
            filter->chosen = index;
            filter->chosen_period = period;
            return S_OK;
        }
        if (index < 0)
            return VFW_E_ALREADY_CONNECTED;
        AM_MEDIA_TYPE wanted;
        if (!FillMediaType(VideoFormatAt(index), period, &wanted))
            return E_OUTOFMEMORY;
        HRESULT accepted = filter->peer->QueryAccept(&wanted);
        FreeMediaTypeParts(&wanted);
        if (accepted != S_OK || !filter->graph)
            return VFW_E_INVALIDMEDIATYPE;
        filter->chosen = index;
        filter->chosen_period = period;
        return filter->graph->Reconnect(&filter->pin);
    }
    filter->chosen = index;
    filter->chosen_period = period;
    return S_OK;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE **mt)
{
    if (!mt)
        return E_POINTER;
    Locked locked(filter);
    if (filter->peer) {
        *mt = NewMediaType(VideoFormatAt(filter->format), filter->period);
    } else {
        *mt = NewMediaType(VideoFormatAt(filter->chosen >= 0 ? filter->chosen : 0),
                           filter->chosen_period);
    }
    return *mt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int *count, int *size)
{
    if (!count || !size)
        return E_POINTER;
    *count = VIDEO_FORMATS;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

// What each format allows, from the table alone: listing never touches the camera.
STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE **mt, BYTE *caps)
{
    if (!mt || !caps)
        return E_POINTER;
    if (index < 0)
        return E_INVALIDARG;
    if (index >= VIDEO_FORMATS)
        return S_FALSE;
    const VideoFormat &format = VideoFormatAt(index);
    *mt = NewMediaType(format, VIDEO_DEFAULT_PERIOD);
    if (!*mt)
        return E_OUTOFMEMORY;
    VIDEO_STREAM_CONFIG_CAPS *c = (VIDEO_STREAM_CONFIG_CAPS *)caps;
    memset(c, 0, sizeof *c);
    c->guid = FORMAT_VideoInfo;
    c->VideoStandard = 0;
    SIZE size = {format.width, format.height};
    c->InputSize = c->MinCroppingSize = c->MaxCroppingSize = size;
    c->MinOutputSize = c->MaxOutputSize = size;
    c->CropGranularityX = c->CropGranularityY = 1;
    c->CropAlignX = c->CropAlignY = 1;
    c->OutputGranularityX = c->OutputGranularityY = 1;
    c->MinFrameInterval = VIDEO_MIN_PERIOD;
    c->MaxFrameInterval = VIDEO_MAX_PERIOD;
    uint64_t bits = (uint64_t)format.image_bytes * 8;
    c->MinBitsPerSecond = (LONG)(bits * 10000000 / VIDEO_MAX_PERIOD);
    c->MaxBitsPerSecond = (LONG)(bits * 10000000 / VIDEO_MIN_PERIOD);
    return S_OK;
}

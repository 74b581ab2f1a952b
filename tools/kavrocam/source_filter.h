// The capture source filter and its one output pin, as DirectShow programs
// see them. Free-threaded: every method takes the filter's lock, none of
// them waits on the camera.
#ifndef PUKAVRO_SOURCE_FILTER_H
#define PUKAVRO_SOURCE_FILTER_H

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>

#include <string>

#include "camera_stream.h"
#include "frame_pacer.h"

struct SourceFilter;

// Its reference count is the filter's: a program holding the pin holds the filter.
struct CapturePin final : IPin, IKsPropertySet, IAMStreamConfig {
    SourceFilter *filter;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPin
    STDMETHODIMP Connect(IPin *receiver, const AM_MEDIA_TYPE *mt) override;
    STDMETHODIMP ReceiveConnection(IPin *connector, const AM_MEDIA_TYPE *mt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin **pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *mt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO *info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION *direction) override;
    STDMETHODIMP QueryId(LPWSTR *id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *mt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **types) override;
    STDMETHODIMP QueryInternalConnections(IPin **pins, ULONG *count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IKsPropertySet: the pin's category, which capture programs look for
    STDMETHODIMP Set(REFGUID set, DWORD id, void *instance, DWORD instance_bytes, void *data,
                     DWORD data_bytes) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void *instance, DWORD instance_bytes, void *data,
                     DWORD data_bytes, DWORD *returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD *support) override;
    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE *mt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE **mt) override;
    STDMETHODIMP GetNumberOfCapabilities(int *count, int *size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE **mt, BYTE *caps) override;
};

struct SourceFilter final : IBaseFilter, IAMFilterMiscFlags, IPersistPropertyBag {
    volatile LONG refs;
    CRITICAL_SECTION lock;
    CapturePin pin;

    FILTER_STATE state;
    IReferenceClock *clock;   // referenced
    IFilterGraph *graph;      // not referenced: the graph holds us, not we it
    IMediaEventSink *events;  // the graph's, not referenced either
    WCHAR name[MAX_FILTER_NAME];
    std::string device;  // UTF-8, from the moniker's property bag

    // The offered format SetFormat chose, or -1: all of them.
    int chosen;
    int64_t chosen_period;

    // The connection, all referenced.
    IPin *peer;
    IMemInputPin *input;
    IMemAllocator *allocator;
    AM_MEDIA_TYPE type;  // valid while peer is set
    int format;          // the offered format connected
    int64_t period;

    CameraStream *stream;  // while running, and after a pause until the next Run or Stop
    FramePacer pacer;      // across a pause

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist, IMediaFilter, IBaseFilter
    STDMETHODIMP GetClassID(CLSID *clsid) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD ms, FILTER_STATE *state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock *clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock **clock) override;
    STDMETHODIMP EnumPins(IEnumPins **pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin **pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph *graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR *info) override;
    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;
    // IPersistPropertyBag: which camera this entry is
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag *bag, IErrorLog *log) override;
    STDMETHODIMP Save(IPropertyBag *bag, BOOL clear_dirty, BOOL save_all) override;
};

// A new filter for camera 0, until a property bag says otherwise.
HRESULT CreateSourceFilter(REFIID iid, void **object);

// The pin's name and id.
#define CAPTURE_PIN_NAME L"Capture"

// Enumerators the pin and the filter hand out.
HRESULT NewPinEnumerator(IPin *pin, IEnumPins **pins);
// chosen: one offered format, or -1 for all at the default period.
HRESULT NewTypeEnumerator(int chosen, int64_t period, IEnumMediaTypes **types);

#endif

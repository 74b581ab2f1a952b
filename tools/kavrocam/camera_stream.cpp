#include "camera_stream.h"

#include <string.h>

#include <new>
#include <string>

#include "camera_client.h"
#include "dll_module.h"
#include "frame.h"
#include "frame_clock.h"
#include "stop_signal.h"

// DirectShow's event for a device that went (second parameter 0) or came
// back (1); not in MinGW's evcode.h.
enum { EVENT_DEVICE_LOST = 0x1F };

// A take waits this long for the camera before it is asked again.
enum { TAKE_TIMEOUT_MS = 5000, ABSENT_RETRY_MS = 250 };

// How long Stop waits for the sender. Nothing it waits on depends on the
// driver (the stop event and the decommitted allocator free it), so it
// ends at once; it must have ended before Stop returns, since a sample it
// sent after that would reach filters the program is already taking apart.
enum { SENDER_STOP_BOUND_MS = 10000 };

struct CameraStream {
    volatile LONG refs;  // the filter's and each thread's
    std::string device;
    VideoFormat format;
    int64_t period;
    IMemAllocator *allocator;
    IMemInputPin *input;
    IReferenceClock *clock;
    REFERENCE_TIME start;
    int64_t started_us;  // MonotonicUs at the start, when there is no clock
    StopSignal stop;
    HANDLE stopped;  // manual reset, set with stop: wakes the sender
    HANDLE tick;     // auto reset: the clock's advice
    HANDLE arrived;  // auto reset: the taker has a new frame

    CRITICAL_SECTION frame_lock;
    uint8_t latest[RAW_FRAME_BYTES];
    uint64_t latest_count;     // frames taken, so a new one is told by its count
    uint64_t latest_sequence;  // the camera's number of the newest

    CRITICAL_SECTION event_lock;
    IMediaEventSink *events;
    IUnknown *filter;

    FramePacer pacer;                  // the sender's; read back after it ends
    uint8_t taken[RAW_FRAME_BYTES];    // the taker's
    uint8_t sending[RAW_FRAME_BYTES];  // the sender's
    HANDLE threads[2];
};

static void ReleaseStream(CameraStream *stream)
{
    if (InterlockedDecrement(&stream->refs) != 0)
        return;
    if (stream->allocator)
        stream->allocator->Release();
    if (stream->input)
        stream->input->Release();
    if (stream->clock)
        stream->clock->Release();
    for (HANDLE thread : stream->threads) {
        if (thread)
            CloseHandle(thread);
    }
    if (stream->stopped)
        CloseHandle(stream->stopped);
    if (stream->tick)
        CloseHandle(stream->tick);
    if (stream->arrived)
        CloseHandle(stream->arrived);
    DeleteCriticalSection(&stream->frame_lock);
    DeleteCriticalSection(&stream->event_lock);
    delete stream;
}

static void Notify(CameraStream *stream, LONG_PTR returned)
{
    EnterCriticalSection(&stream->event_lock);
    if (stream->events)
        stream->events->Notify(EVENT_DEVICE_LOST, (LONG_PTR)stream->filter, returned);
    LeaveCriticalSection(&stream->event_lock);
}

// The taker: the newest frame into latest, and the camera's going and
// coming back as events. A frame that failed or came short is dropped.
static DWORD WINAPI TakeFrames(void *argument)
{
    CameraStream *stream = (CameraStream *)argument;
    void *camera = OpenSharedCamera(ProcessCameraHost(), stream->device.c_str());
    // A conversation starts no sooner than the interval after the last
    // frame came, and takes its own time: the interval leaves room for it
    // (as measured from the frames' spacing), so that each tick finds a
    // frame newer than the last without keeping the camera busier than that.
    int64_t period_us = stream->period / 10, conversation_us = period_us / 2, previous_us = 0;
    TakeAsk ask = {TAKE_NEXT, TAKE_TIMEOUT_MS, 0, true};
    uint8_t *frame = stream->taken;
    bool present = false, lost = false;
    while (camera && !StopRaised(&stream->stop)) {
        int64_t room = conversation_us * 3 / 2;
        ask.interval_ms = period_us > room ? (uint32_t)((period_us - room) / 1000) : 0;
        uint32_t got = 0;
        FrameStamp stamp;
        CameraOutcome outcome = TakeSharedFrame(camera, ask, &stream->stop, frame, &got, &stamp);
        if (outcome == CAMERA_FRAME) {
            EnterCriticalSection(&stream->frame_lock);
            memcpy(stream->latest, frame, RAW_FRAME_BYTES);
            stream->latest_count++;
            stream->latest_sequence = stamp.sequence;
            LeaveCriticalSection(&stream->frame_lock);
            SetEvent(stream->arrived);
            int64_t spent = stamp.monotonic_us - previous_us - (int64_t)ask.interval_ms * 1000;
            if (previous_us && spent > 0)
                conversation_us = (conversation_us * 3 + spent) / 4;
            previous_us = stamp.monotonic_us;
            if (lost)
                Notify(stream, 1);
            present = true;
            lost = false;
        } else if (outcome == CAMERA_NOT_FOUND) {
            if (present && !lost)
                Notify(stream, 0);
            lost = present;
            WaitForStop(&stream->stop, ABSENT_RETRY_MS * 1000);
        } else if (outcome == CAMERA_HELD || outcome == CAMERA_STUCK
                   || outcome == CAMERA_OTHER_USER) {
            WaitForStop(&stream->stop, ABSENT_RETRY_MS * 1000);
        }
    }
    if (camera)
        CloseSharedCamera(camera);
    ReleaseStream(stream);
    return 0;
}

static REFERENCE_TIME StreamTime(CameraStream *stream)
{
    REFERENCE_TIME now;
    if (stream->clock && SUCCEEDED(stream->clock->GetTime(&now)))
        return now - stream->start;
    return (MonotonicUs() - stream->started_us) * 10;
}

enum Wake { WAKE_TICK, WAKE_FRAME, WAKE_STOPPED };

// Waits for stream time at, or a new frame before it.
static Wake WaitForTick(CameraStream *stream, REFERENCE_TIME at)
{
    HANDLE handles[3] = {stream->stopped, stream->arrived, stream->tick};
    REFERENCE_TIME now = StreamTime(stream);
    if (StopRaised(&stream->stop))
        return WAKE_STOPPED;
    if (now >= at)
        return WAKE_TICK;
    DWORD_PTR cookie = 0;
    bool advised =
        stream->clock
        && SUCCEEDED(stream->clock->AdviseTime(stream->start, at, (HEVENT)stream->tick, &cookie));
    DWORD ms = (DWORD)((at - now + 9999) / 10000);
    // With the clock's advice the time-out only guards against a clock that never tells.
    DWORD woke = WaitForMultipleObjects(advised ? 3 : 2, handles, FALSE, advised ? ms + 1000 : ms);
    if (advised)
        stream->clock->Unadvise(cookie);
    if (woke == WAIT_OBJECT_0)
        return WAKE_STOPPED;
    if (woke == WAIT_OBJECT_0 + 1)
        return WAKE_FRAME;
    return StreamTime(stream) >= at ? WAKE_TICK : WAKE_FRAME;
}

// The newest frame rendered into a buffer ahead of its tick, so that the
// tick only stamps and sends it.
struct Prepared {
    IMediaSample *sample;
    uint64_t count;  // the stream's count of the frame in it
    uint64_t sequence;
};

static void Prepare(CameraStream *stream, Prepared *prepared)
{
    EnterCriticalSection(&stream->frame_lock);
    uint64_t count = stream->latest_count, sequence = stream->latest_sequence;
    bool newer = count > prepared->count;
    if (newer)
        memcpy(stream->sending, stream->latest, RAW_FRAME_BYTES);
    LeaveCriticalSection(&stream->frame_lock);
    if (!newer)
        return;
    if (!prepared->sample
        && (FAILED(stream->allocator->GetBuffer(&prepared->sample, NULL, NULL, 0))
            || !prepared->sample)) {
        prepared->sample = NULL;
        return;
    }
    BYTE *data = NULL;
    if (FAILED(prepared->sample->GetPointer(&data)) || !data
        || prepared->sample->GetSize() < (long)stream->format.image_bytes)
        return;
    RenderVideoFrame(stream->sending, stream->format, data);
    prepared->count = count;
    prepared->sequence = sequence;
}

// Sends the prepared sample at its tick; false when downstream wants no more.
static bool Send(CameraStream *stream, Prepared *prepared, const PacedSample &paced)
{
    IMediaSample *sample = prepared->sample;
    prepared->sample = NULL;
    sample->SetActualDataLength(stream->format.image_bytes);
    REFERENCE_TIME start = paced.start, stop = paced.stop;
    sample->SetTime(&start, &stop);
    LONGLONG first = (LONGLONG)prepared->sequence, last = first + 1;
    sample->SetMediaTime(&first, &last);
    sample->SetSyncPoint(TRUE);
    sample->SetPreroll(FALSE);
    sample->SetDiscontinuity(paced.discontinuity ? TRUE : FALSE);
    HRESULT hr = StopRaised(&stream->stop) ? S_FALSE : stream->input->Receive(sample);
    sample->Release();
    return hr == S_OK;
}

static DWORD WINAPI SendFrames(void *argument)
{
    CameraStream *stream = (CameraStream *)argument;
    HRESULT com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    // New frames are told by this stream's own count; a sample carries the camera's number.
    Prepared prepared = {NULL, 0, 0};
    stream->pacer.last_frame = 0;
    StartPacing(&stream->pacer, stream->period, StreamTime(stream));
    for (;;) {
        Prepare(stream, &prepared);
        Wake wake = WaitForTick(stream, stream->pacer.next_tick);
        if (wake == WAKE_STOPPED)
            break;
        if (wake == WAKE_FRAME)
            continue;
        Prepare(stream, &prepared);  // the newest may have come at the tick itself
        uint64_t ready = prepared.sample ? prepared.count : 0;
        PacedSample paced = PaceTick(&stream->pacer, StreamTime(stream), ready);
        if (paced.send && !Send(stream, &prepared, paced))
            break;
    }
    if (prepared.sample)
        prepared.sample->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    ReleaseStream(stream);
    return 0;
}

CameraStream *StartStream(const StreamSetup &setup)
{
    if (!PinDllInMemory())
        return NULL;
    CameraStream *stream = new (std::nothrow) CameraStream();
    if (!stream)
        return NULL;
    stream->refs = 1;
    stream->device = setup.device;
    stream->format = setup.format;
    stream->period = setup.period;
    stream->allocator = setup.allocator;
    stream->allocator->AddRef();
    stream->input = setup.input;
    stream->input->AddRef();
    stream->clock = setup.clock;
    if (stream->clock)
        stream->clock->AddRef();
    stream->start = setup.start;
    stream->started_us = MonotonicUs();
    stream->events = setup.events;
    stream->filter = setup.filter;
    stream->pacer = setup.pacer;
    InitializeCriticalSection(&stream->frame_lock);
    InitializeCriticalSection(&stream->event_lock);
    stream->stopped = CreateEventW(NULL, TRUE, FALSE, NULL);
    stream->tick = CreateEventW(NULL, FALSE, FALSE, NULL);
    stream->arrived = CreateEventW(NULL, FALSE, FALSE, NULL);
    LPTHREAD_START_ROUTINE routines[2] = {TakeFrames, SendFrames};
    bool started = stream->stopped && stream->tick && stream->arrived;
    for (int i = 0; started && i < 2; i++) {
        InterlockedIncrement(&stream->refs);
        stream->threads[i] = CreateThread(NULL, 0, routines[i], stream, 0, NULL);
        if (!stream->threads[i]) {
            InterlockedDecrement(&stream->refs);
            started = false;
        }
    }
    if (!started) {
        FramePacer ignored;
        StopStream(stream, &ignored);
        return NULL;
    }
    return stream;
}

void EndStreamSoon(CameraStream *stream)
{
    RaiseStop(&stream->stop);
    if (stream->stopped)
        SetEvent(stream->stopped);
}

void StopStream(CameraStream *stream, FramePacer *pacer)
{
    EndStreamSoon(stream);
    stream->allocator->Decommit();
    // The sender first: it ends at once. The taker ends as soon as the
    // shared camera sees the stop, unless the driver keeps its request:
    // the cancel bound keeps that from holding Stop.
    HANDLE sender = stream->threads[1], taker = stream->threads[0];
    bool sent_all = !sender || WaitForSingleObject(sender, SENDER_STOP_BOUND_MS) == WAIT_OBJECT_0;
    if (taker)
        WaitForSingleObject(taker, CAMERA_CANCEL_BOUND_MS);
    EnterCriticalSection(&stream->event_lock);
    stream->events = NULL;
    LeaveCriticalSection(&stream->event_lock);
    // A sender still out owns its pacer: the next run starts afresh.
    *pacer = sent_all ? stream->pacer : FramePacer{};
    ReleaseStream(stream);
}

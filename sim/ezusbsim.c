/* The simulated EZ-USB cameras: a kernel-mode driver for Wine that answers on
   \\.\ezusb-0 (with the Cameras switch, up to \\.\ezusb-7) with the two
   requests of the EZ-USB general-purpose driver, checks them the way a device stack rejects malformed requests, serves a
   test picture or a raw frame file, and counts what it sees for the tests.

   Camera requests are not answered in the dispatch routine: Wine's driver
   host runs every dispatch on one thread, so a delay there would stall every
   open, close and stop. They are queued, cancellable, until their delay is
   over, and a thread of the driver's own answers them. BlockInRequest alone
   answers them in the dispatch routine, to stand for a driver that does.

   Each camera also follows the conversation of every handle open on it
   (open, vendor request, bulk read, close) and counts the requests that
   break into another handle's conversation or read with none of their own. */
#include <ntddk.h>

#include "ezusbsim.h"
#include "fault_sequence.h"
#include "knobs.h"
#include "noise.h"

/* A handle open on a camera (its file object) and where it is in its
   conversation. A request finds its slot by the file object as it arrives;
   a bulk read finds it by the serial when it comes back, since the close of
   its file object can come first (Wine 8 delivers the close while a request
   is still pending) and a later open may reuse the object's address. */
typedef struct Handle {
    FILE_OBJECT *file; /* NULL: a free slot */
    ULONG_PTR serial;  /* this open's, never 0 */
    int asked;         /* a vendor request since the open or the last bulk read */
    int talking;       /* a vendor request whose bulk read has not come back */
} Handle;

/* Handles followed at once per camera; one opened beyond them is not
   followed, though its requests still count against the others. */
#define HANDLE_SLOTS 64

/* One camera: its device, counters, queue, request thread and seeded
   sequence, so that one camera's delay or stuck request never holds another's.
   Its counters and queue are shared by the dispatch thread, its request
   thread and the cancel routine; the cancel spin lock guards them all, and
   its handles too, so a queued request always still has its cancel routine
   while the lock is held. */
typedef struct Camera {
    ULONG number;
    DEVICE_OBJECT *device;
    volatile LONG unplugged; /* its name is gone and its requests fail */
    EzusbsimCounters counters;
    LIST_ENTRY queue;
    KEVENT wake; /* the queue changed, or we are stopping */
    volatile LONG stopping;
    PVOID thread;
    /* The seeded sequence, drawn from by the dispatch thread alone. It starts
       again from the seed when the seed changes or the counters are reset. */
    int fault_active;
    ULONG fault_seed;
    uint32_t fault_state;
    EzusbsimFault capture_fault;       /* the last drawn: the current capture's */
    UCHAR frame[EZUSBSIM_FRAME_BYTES]; /* built by its request thread only */
    Handle handles[HANDLE_SLOTS];
    ULONG_PTR last_serial;
} Camera;

static Camera g_cameras[EZUSBSIM_MAX_CAMERAS];
static ULONG g_camera_count;
static DEVICE_OBJECT *g_control;

/* Set in a file object whose open was counted. Wine 8 delivers a close
   for a file object whose create the driver failed too (a camera unplugged
   between the name's lookup and the create): only a counted open's close
   counts, so that opens and closes still pair. */
static int g_counted_open;

static Camera *CameraOf(DEVICE_OBJECT *device)
{
    ULONG i;

    for (i = 0; i < g_camera_count; i++)
        if (g_cameras[i].device == device)
            return &g_cameras[i];
    return NULL;
}

/* How a queued request is to be answered, decided when it arrives: by the
   fault knobs as they are when it is answered, failed (FailNext), or as the
   sequence drew it (PLAN_DRAWN + kind, the amount in the bits from 8 up). */
enum { PLAN_KNOBS, PLAN_FAIL, PLAN_DRAWN };

static NTSTATUS Complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The serial of the handle whose conversation a bulk read ends when it comes
   back; 0 for any other request. */
static ULONG_PTR *Conversation(IRP *irp)
{
    return (ULONG_PTR *)&irp->Tail.Overlay.DriverContext[3];
}

/* The slot of the camera's handle on file, or NULL. Under the lock. */
static Handle *HandleOf(Camera *camera, FILE_OBJECT *file)
{
    ULONG i;

    for (i = 0; file && i < HANDLE_SLOTS; i++)
        if (camera->handles[i].file == file)
            return &camera->handles[i];
    return NULL;
}

/* A new handle takes a free slot, if there is one. Under the lock. */
static void FollowHandle(Camera *camera, FILE_OBJECT *file)
{
    ULONG i;

    for (i = 0; file && i < HANDLE_SLOTS; i++) {
        Handle *handle = &camera->handles[i];
        if (!handle->file) {
            if (++camera->last_serial == 0)
                ++camera->last_serial;
            handle->file = file;
            handle->serial = camera->last_serial;
            handle->asked = 0;
            handle->talking = 0;
            return;
        }
    }
}

/* A vendor request or bulk read arrives, under the lock, before any check.
   It overlaps when another handle of the camera is in a conversation, or
   when it is a bulk read with no vendor request before it on its handle;
   either way it counts once. A vendor request opens its handle's
   conversation even if it then fails; the bulk read ends it as it comes
   back. */
static void FollowConversation(Camera *camera, IRP *irp, ULONG code)
{
    FILE_OBJECT *file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    Handle *own = HandleOf(camera, file);
    int overlap = 0;
    ULONG i;

    for (i = 0; i < HANDLE_SLOTS; i++)
        if (camera->handles[i].file && camera->handles[i].file != file
            && camera->handles[i].talking)
            overlap = 1;
    if (code == EZUSBSIM_IOCTL_BULK_READ && own && !own->asked)
        overlap = 1;
    if (overlap)
        camera->counters.overlaps++;
    if (!own)
        return;
    if (code == EZUSBSIM_IOCTL_VENDOR_REQUEST) {
        own->asked = 1;
        own->talking = 1;
    } else {
        own->asked = 0;
        *Conversation(irp) = own->serial;
    }
}

/* A bulk read comes back: its handle's conversation, if the handle is still
   open, is over. Under the lock, before the caller can see the answer. */
static void EndConversation(Camera *camera, IRP *irp)
{
    ULONG i;

    for (i = 0; *Conversation(irp) && i < HANDLE_SLOTS; i++)
        if (camera->handles[i].file && camera->handles[i].serial == *Conversation(irp))
            camera->handles[i].talking = 0;
    *Conversation(irp) = 0;
}

/* Completes a camera request, ending its conversation first if it is a bulk
   read. */
static NTSTATUS CompleteCamera(Camera *camera, IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    KIRQL irql;

    IoAcquireCancelSpinLock(&irql);
    EndConversation(camera, irp);
    IoReleaseCancelSpinLock(irql);
    return Complete(irp, status, information);
}

static NTSTATUS AnswerVendorRequest(IRP *irp, const Knobs *knobs)
{
    UCHAR *reply;

    if (knobs->vendor_fail)
        return Complete(irp, STATUS_UNSUCCESSFUL, 0);
    reply = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (!reply)
        return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    reply[0] = 0;
    return Complete(irp, STATUS_SUCCESS, EZUSBSIM_VENDOR_REPLY_BYTES);
}

/* BulkBytes alone makes a short read that succeeds; with BulkFail as well
   the bytes are delivered and the read then fails, as a transfer that
   breaks off part way does (a warning status, so Wine still hands the
   bytes back to the caller). */
static NTSTATUS AnswerBulkRead(Camera *camera, IRP *irp, const Knobs *knobs)
{
    ULONG count = EZUSBSIM_FRAME_BYTES;
    UCHAR *out;
    KIRQL irql;

    if (knobs->bulk_bytes > 0 && knobs->bulk_bytes < EZUSBSIM_FRAME_BYTES)
        count = knobs->bulk_bytes;
    else if (knobs->bulk_fail)
        return CompleteCamera(camera, irp, STATUS_UNSUCCESSFUL, 0);

    if (knobs->frame_file[0]) {
        if (ReadFrameFile(knobs->frame_file, camera->frame, sizeof camera->frame) != 0)
            return CompleteCamera(camera, irp, STATUS_UNSUCCESSFUL, 0);
    } else {
        EzusbsimCameraPicture(camera->frame, camera->number, camera->counters.frames_sent);
    }
    if (knobs->noise)
        EzusbsimAddNoise(camera->frame, sizeof camera->frame, knobs->noise, knobs->noise_seed,
                         camera->counters.frames_sent);
    out = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (!out)
        return CompleteCamera(camera, irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    RtlCopyMemory(out, camera->frame, count);

    IoAcquireCancelSpinLock(&irql);
    camera->counters.frames_sent++;
    IoReleaseCancelSpinLock(irql);
    return CompleteCamera(camera, irp, knobs->bulk_fail ? STATUS_DEVICE_BUSY : STATUS_SUCCESS,
                          count);
}

/* When a queued request is due, in system time (100 ns units). Not
   KeQueryInterruptTime: Wine returns the tick count there, in other units. */
static LONGLONG *DueTime(IRP *irp)
{
    return (LONGLONG *)irp->Tail.Overlay.DriverContext;
}

static ULONG_PTR *Plan(IRP *irp)
{
    return (ULONG_PTR *)&irp->Tail.Overlay.DriverContext[2];
}

/* The knobs this request is answered by. */
static void ApplyPlan(Knobs *knobs, ULONG_PTR plan)
{
    ULONG kind = (ULONG)(plan & 0xFF) - PLAN_DRAWN;
    ULONG amount = (ULONG)(plan >> 8);

    if (plan == PLAN_KNOBS)
        return;
    knobs->vendor_fail = 0;
    knobs->bulk_fail = 0;
    knobs->bulk_bytes = 0;
    if (plan == PLAN_FAIL) {
        knobs->vendor_fail = 1;
        knobs->bulk_fail = 1;
        return;
    }
    switch (kind) {
    case EZUSBSIM_FAULT_VENDOR_FAILS:
        knobs->vendor_fail = 1;
        break;
    case EZUSBSIM_FAULT_READ_FAILS:
        knobs->bulk_fail = 1;
        break;
    case EZUSBSIM_FAULT_SHORT_READ:
        knobs->bulk_bytes = amount;
        break;
    case EZUSBSIM_FAULT_BROKEN_OFF:
        knobs->bulk_bytes = amount;
        knobs->bulk_fail = 1;
        break;
    default:
        break;
    }
}

static LONGLONG Now(void)
{
    LARGE_INTEGER now;

    KeQuerySystemTime(&now);
    return now.QuadPart;
}

static NTSTATUS AnswerRequest(Camera *camera, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    Knobs knobs;

    if (camera->stopping || camera->unplugged)
        return CompleteCamera(camera, irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    ReadKnobs(camera->number, &knobs);
    ApplyPlan(&knobs, *Plan(irp));
    if (stack->Parameters.DeviceIoControl.IoControlCode == EZUSBSIM_IOCTL_VENDOR_REQUEST)
        return AnswerVendorRequest(irp, &knobs);
    return AnswerBulkRead(camera, irp, &knobs);
}

static void NTAPI CancelQueued(DEVICE_OBJECT *device, IRP *irp)
{
    Camera *camera = CameraOf(device);

    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    camera->counters.pending--;
    camera->counters.cancelled++;
    EndConversation(camera, irp);
    IoReleaseCancelSpinLock(irp->CancelIrql);
    /* The request thread may be waiting for this one's time. */
    KeSetEvent(&camera->wake, IO_NO_INCREMENT, FALSE);
    Complete(irp, STATUS_CANCELLED, 0);
}

/* A request stays queued until its delay is over; cancellable unless the
   camera is to ignore cancels. */
static NTSTATUS QueueRequest(Camera *camera, IRP *irp, ULONG delay_ms, int cancellable)
{
    KIRQL irql;

    *DueTime(irp) = Now() + (LONGLONG)delay_ms * 10000;
    IoMarkIrpPending(irp);
    IoAcquireCancelSpinLock(&irql);
    if (cancellable)
        IoSetCancelRoutine(irp, CancelQueued);
    if (cancellable && irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
        camera->counters.cancelled++;
        EndConversation(camera, irp);
        IoReleaseCancelSpinLock(irql);
        Complete(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    InsertTailList(&camera->queue, &irp->Tail.Overlay.ListEntry);
    camera->counters.pending++;
    IoReleaseCancelSpinLock(irql);
    KeSetEvent(&camera->wake, IO_NO_INCREMENT, FALSE);
    return STATUS_PENDING;
}

/* As a driver that does its transfer synchronously: the dispatch routine
   itself waits out the delay, returns no STATUS_PENDING and has no cancel
   routine, so the caller's DeviceIoControl waits the whole delay and no
   cancel ends it. */
static NTSTATUS AnswerInRequest(Camera *camera, IRP *irp, ULONG delay_ms)
{
    LARGE_INTEGER delay;
    KIRQL irql;
    NTSTATUS status;

    IoAcquireCancelSpinLock(&irql);
    camera->counters.pending++;
    IoReleaseCancelSpinLock(irql);
    delay.QuadPart = -(LONGLONG)delay_ms * 10000;
    KeDelayExecutionThread(KernelMode, FALSE, &delay);
    status = AnswerRequest(camera, irp);
    IoAcquireCancelSpinLock(&irql);
    camera->counters.pending--;
    IoReleaseCancelSpinLock(irql);
    return status;
}

/* Takes the first queued request if it is due (or we are stopping, or the
   camera is unplugged); otherwise says how long to wait for it: 0 with an
   empty queue. */
static IRP *TakeDueRequest(Camera *camera, LONGLONG *wait)
{
    IRP *irp = NULL;
    KIRQL irql;
    LONGLONG now = Now();

    *wait = 0;
    IoAcquireCancelSpinLock(&irql);
    if (!IsListEmpty(&camera->queue)) {
        IRP *first = CONTAINING_RECORD(camera->queue.Flink, IRP, Tail.Overlay.ListEntry);
        if (camera->stopping || camera->unplugged || *DueTime(first) <= now) {
            RemoveEntryList(&first->Tail.Overlay.ListEntry);
            IoSetCancelRoutine(first, NULL);
            irp = first;
        } else {
            *wait = *DueTime(first) - now;
        }
    }
    IoReleaseCancelSpinLock(irql);
    return irp;
}

static void NTAPI RequestThread(void *context)
{
    Camera *camera = context;
    IRP *irp;
    LONGLONG wait;
    LARGE_INTEGER timeout;
    KIRQL irql;

    for (;;) {
        irp = TakeDueRequest(camera, &wait);
        if (irp) {
            AnswerRequest(camera, irp);
            IoAcquireCancelSpinLock(&irql);
            camera->counters.pending--;
            IoReleaseCancelSpinLock(irql);
            continue;
        }
        if (camera->stopping)
            break;
        timeout.QuadPart = -wait;
        KeWaitForSingleObject(&camera->wake, Executive, KernelMode, FALSE, wait ? &timeout : NULL);
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

/* Direction 1 (device to host), type 2 (vendor), recipient 0 (device),
   request 0xA8, value 1; bytes 3, 5, 8 and 9 are not looked at. */
static int VendorBlockValid(const UCHAR *block, ULONG in_bytes, ULONG out_bytes)
{
    return block && in_bytes == EZUSBSIM_VENDOR_BLOCK_BYTES
           && out_bytes == EZUSBSIM_VENDOR_REPLY_BYTES && block[0] == 1 && block[1] == 2
           && block[2] == 0 && block[4] == EZUSBSIM_VENDOR_REQUEST_CODE && block[6] == 1
           && block[7] == 0;
}

static int BulkBlockValid(const UCHAR *block, ULONG in_bytes, ULONG out_bytes)
{
    return block && in_bytes == EZUSBSIM_BULK_BLOCK_BYTES && out_bytes >= EZUSBSIM_FRAME_BYTES
           && block[0] == EZUSBSIM_BULK_PIPE && block[1] == 0 && block[2] == 0 && block[3] == 0;
}

/* Decides how the request is to be answered, and how late. FailNext comes
   first and draws nothing; with a seed, a vendor request draws the outcome
   of its capture and the read after it answers as drawn. */
static ULONG_PTR PlanRequest(Camera *camera, ULONG code, const Knobs *knobs, ULONG *delay_ms)
{
    EzusbsimFault fault;
    KIRQL irql;

    *delay_ms =
        code == EZUSBSIM_IOCTL_VENDOR_REQUEST ? knobs->vendor_delay_ms : knobs->bulk_delay_ms;
    /* Written back only when it counts down: most requests open the key once. */
    if (knobs->fail_next > 0 && TakeFailNext(camera->number))
        return PLAN_FAIL;
    IoAcquireCancelSpinLock(&irql);
    if (!knobs->fault_seed_set) {
        camera->fault_active = 0;
        IoReleaseCancelSpinLock(irql);
        return PLAN_KNOBS;
    }
    if (!camera->fault_active || camera->fault_seed != knobs->fault_seed) {
        camera->fault_active = 1;
        camera->fault_seed = knobs->fault_seed;
        camera->fault_state = knobs->fault_seed;
        camera->capture_fault.kind = EZUSBSIM_FAULT_NONE;
        camera->capture_fault.amount = 0;
    }
    if (code == EZUSBSIM_IOCTL_VENDOR_REQUEST) {
        camera->capture_fault = EzusbsimNextFault(&camera->fault_state);
        camera->counters.fault_draws++;
    }
    fault = camera->capture_fault;
    IoReleaseCancelSpinLock(irql);

    *delay_ms =
        code == EZUSBSIM_IOCTL_BULK_READ && fault.kind == EZUSBSIM_FAULT_SLOW ? fault.amount : 0;
    return PLAN_DRAWN + fault.kind + ((ULONG_PTR)fault.amount << 8);
}

static NTSTATUS CameraControl(Camera *camera, IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG in_bytes = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG out_bytes = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const UCHAR *block = irp->AssociatedIrp.SystemBuffer;
    Knobs knobs;
    int valid = 0;
    ULONG i, delay_ms;
    KIRQL irql;

    *Conversation(irp) = 0;
    if (code != EZUSBSIM_IOCTL_VENDOR_REQUEST && code != EZUSBSIM_IOCTL_BULK_READ) {
        IoAcquireCancelSpinLock(&irql);
        camera->counters.rejected++;
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }

    if (camera->unplugged)
        return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    IoAcquireCancelSpinLock(&irql);
    if (code == EZUSBSIM_IOCTL_VENDOR_REQUEST) {
        camera->counters.vendor_requests++;
        camera->counters.last_vendor_in_bytes = in_bytes;
        camera->counters.last_vendor_out_bytes = out_bytes;
        RtlZeroMemory(camera->counters.last_vendor_block,
                      sizeof camera->counters.last_vendor_block);
        for (i = 0; block && i < in_bytes && i < sizeof camera->counters.last_vendor_block; i++)
            camera->counters.last_vendor_block[i] = block[i];
        valid = VendorBlockValid(block, in_bytes, out_bytes);
    } else {
        camera->counters.bulk_reads++;
        camera->counters.last_bulk_in_bytes = in_bytes;
        camera->counters.last_bulk_out_bytes = out_bytes;
        camera->counters.last_bulk_pipe = 0;
        for (i = 0; block && i < in_bytes && i < 4; i++)
            camera->counters.last_bulk_pipe |= (ULONG)block[i] << (8 * i);
        valid = BulkBlockValid(block, in_bytes, out_bytes);
    }
    FollowConversation(camera, irp, code);
    if (!valid) {
        camera->counters.rejected++;
        EndConversation(camera, irp);
    }
    IoReleaseCancelSpinLock(irql);

    if (!valid)
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    ReadKnobs(camera->number, &knobs);
    *Plan(irp) = PlanRequest(camera, code, &knobs, &delay_ms);
    if (knobs.block_in_request)
        return AnswerInRequest(camera, irp, delay_ms);
    return QueueRequest(camera, irp, delay_ms, !knobs.ignore_cancel);
}

/* A camera's device or link name: the prefix and its number. */
static void CameraName(const WCHAR *prefix, ULONG number, WCHAR *name, UNICODE_STRING *text)
{
    ULONG i;

    for (i = 0; prefix[i]; i++)
        name[i] = prefix[i];
    name[i++] = (WCHAR)(L'0' + number);
    name[i] = 0;
    RtlInitUnicodeString(text, name);
}

#define NAME_CHARS 32

/* The name disappears and the camera's requests fail, the queued ones at
   once (its request thread answers them); plugged back, the name returns. */
static NTSTATUS Replug(Camera *camera, int plug)
{
    WCHAR device_name[NAME_CHARS], link_name[NAME_CHARS];
    UNICODE_STRING device, link;
    NTSTATUS status = STATUS_SUCCESS;

    CameraName(EZUSBSIM_CAMERA_DEVICE_PREFIX, camera->number, device_name, &device);
    CameraName(EZUSBSIM_CAMERA_LINK_PREFIX, camera->number, link_name, &link);
    if (plug && camera->unplugged) {
        status = IoCreateSymbolicLink(&link, &device);
        if (NT_SUCCESS(status))
            InterlockedExchange(&camera->unplugged, 0);
    } else if (!plug && !camera->unplugged) {
        InterlockedExchange(&camera->unplugged, 1);
        IoDeleteSymbolicLink(&link);
        KeSetEvent(&camera->wake, IO_NO_INCREMENT, FALSE);
    }
    return status;
}

static NTSTATUS SimulatorControl(IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG number = 0;
    ULONG pending;
    Camera *camera;
    KIRQL irql;

    if (stack->Parameters.DeviceIoControl.InputBufferLength >= sizeof(ULONG))
        number = *(const ULONG *)irp->AssociatedIrp.SystemBuffer;
    if (number >= g_camera_count)
        return Complete(irp, STATUS_NO_SUCH_DEVICE, 0);
    camera = &g_cameras[number];
    switch (code) {
    case EZUSBSIM_IOCTL_GET_COUNTERS:
        if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(EzusbsimCounters))
            return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        IoAcquireCancelSpinLock(&irql);
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &camera->counters, sizeof camera->counters);
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_SUCCESS, sizeof(EzusbsimCounters));
    case EZUSBSIM_IOCTL_RESET_COUNTERS:
        IoAcquireCancelSpinLock(&irql);
        pending = camera->counters.pending;
        RtlZeroMemory(&camera->counters, sizeof camera->counters);
        camera->counters.pending = pending;
        camera->fault_active = 0;
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_SUCCESS, 0);
    case EZUSBSIM_IOCTL_UNPLUG:
    case EZUSBSIM_IOCTL_PLUG:
        return Complete(irp, Replug(camera, code == EZUSBSIM_IOCTL_PLUG), 0);
    default:
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static NTSTATUS NTAPI DispatchControl(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);

    if (device == g_control)
        return SimulatorControl(irp, stack);
    return CameraControl(CameraOf(device), irp, stack);
}

static NTSTATUS NTAPI DispatchCreate(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    Camera *camera = CameraOf(device);
    KIRQL irql;

    if (camera) {
        if (camera->unplugged)
            return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
        IoAcquireCancelSpinLock(&irql);
        camera->counters.opens++;
        if (stack->FileObject)
            stack->FileObject->FsContext2 = &g_counted_open;
        camera->counters.last_open_share = stack->Parameters.Create.ShareAccess;
        FollowHandle(camera, stack->FileObject);
        IoReleaseCancelSpinLock(irql);
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

/* Its conversation is over, and with the close its slot is free. Wine 8
   delivers only the close, once the last handle to the file object is
   closed, even while one of its requests is still pending; Windows delivers
   the cleanup first. */
static void EndHandle(DEVICE_OBJECT *device, IRP *irp, int closing)
{
    Camera *camera = CameraOf(device);
    FILE_OBJECT *file;
    Handle *handle;
    KIRQL irql;

    if (!camera)
        return;
    IoAcquireCancelSpinLock(&irql);
    file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    if (closing && file && file->FsContext2 == &g_counted_open) {
        camera->counters.closes++;
        file->FsContext2 = NULL;
    }
    handle = HandleOf(camera, file);
    if (handle) {
        handle->talking = 0;
        if (closing)
            handle->file = NULL;
    }
    IoReleaseCancelSpinLock(irql);
}

static NTSTATUS NTAPI DispatchClose(DEVICE_OBJECT *device, IRP *irp)
{
    EndHandle(device, irp, 1);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchCleanup(DEVICE_OBJECT *device, IRP *irp)
{
    EndHandle(device, irp, 0);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static void RemoveDevice(DEVICE_OBJECT **device, UNICODE_STRING *link)
{
    if (!*device)
        return;
    if (link)
        IoDeleteSymbolicLink(link);
    IoDeleteDevice(*device);
    *device = NULL;
}

static void StopRequestThread(Camera *camera)
{
    InterlockedExchange(&camera->stopping, 1);
    KeSetEvent(&camera->wake, IO_NO_INCREMENT, FALSE);
    if (camera->thread) {
        KeWaitForSingleObject(camera->thread, Executive, KernelMode, FALSE, NULL);
        ObDereferenceObject(camera->thread);
        camera->thread = NULL;
    }
}

/* The cameras are unplugged: whatever is still queued fails at once, then
   the devices go. */
static void NTAPI DriverUnload(DRIVER_OBJECT *driver)
{
    WCHAR link_name[NAME_CHARS];
    UNICODE_STRING link, control_link;
    ULONG i;

    (void)driver;
    for (i = 0; i < g_camera_count; i++) {
        Camera *camera = &g_cameras[i];
        StopRequestThread(camera);
        CameraName(EZUSBSIM_CAMERA_LINK_PREFIX, i, link_name, &link);
        RemoveDevice(&camera->device, camera->unplugged ? NULL : &link);
    }
    RtlInitUnicodeString(&control_link, EZUSBSIM_CONTROL_LINK);
    RemoveDevice(&g_control, &control_link);
}

static NTSTATUS AddDevice(DRIVER_OBJECT *driver, UNICODE_STRING *name, UNICODE_STRING *link,
                          DEVICE_OBJECT **device)
{
    NTSTATUS status;

    status = IoCreateDevice(driver, 0, name, FILE_DEVICE_UNKNOWN, 0, FALSE, device);
    if (!NT_SUCCESS(status))
        return status;
    status = IoCreateSymbolicLink(link, name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
    }
    return status;
}

/* The camera's device, name and request thread. */
static NTSTATUS AddCamera(DRIVER_OBJECT *driver, Camera *camera)
{
    WCHAR device_name[NAME_CHARS], link_name[NAME_CHARS];
    UNICODE_STRING device, link;
    HANDLE thread;
    NTSTATUS status;

    InitializeListHead(&camera->queue);
    KeInitializeEvent(&camera->wake, SynchronizationEvent, FALSE);
    status =
        PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, NULL, NULL, NULL, RequestThread, camera);
    if (!NT_SUCCESS(status))
        return status;
    /* No object type: Wine 8 answers *PsThreadType for this handle with
       STATUS_OBJECT_TYPE_MISMATCH. */
    status =
        ObReferenceObjectByHandle(thread, SYNCHRONIZE, NULL, KernelMode, &camera->thread, NULL);
    ZwClose(thread);
    if (!NT_SUCCESS(status))
        return status;
    CameraName(EZUSBSIM_CAMERA_DEVICE_PREFIX, camera->number, device_name, &device);
    CameraName(EZUSBSIM_CAMERA_LINK_PREFIX, camera->number, link_name, &link);
    return AddDevice(driver, &device, &link, &camera->device);
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry_path)
{
    UNICODE_STRING control, control_link;
    NTSTATUS status;
    ULONG i, count;

    status = SetKnobsKey(registry_path);
    if (!NT_SUCCESS(status))
        return status;

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;

    /* A driver host may load the image again: nothing of a run before. */
    RtlZeroMemory(g_cameras, sizeof g_cameras);
    count = ReadCameraCount();
    for (i = 0; i < count; i++)
        g_cameras[i].number = i;
    g_camera_count = count;
    for (i = 0; i < count && NT_SUCCESS(status); i++)
        status = AddCamera(driver, &g_cameras[i]);
    RtlInitUnicodeString(&control, EZUSBSIM_CONTROL_DEVICE);
    RtlInitUnicodeString(&control_link, EZUSBSIM_CONTROL_LINK);
    if (NT_SUCCESS(status))
        status = AddDevice(driver, &control, &control_link, &g_control);
    if (!NT_SUCCESS(status)) {
        /* A thread we could not reference still sees the stop flag. */
        for (i = 0; i < count; i++) {
            InterlockedExchange(&g_cameras[i].stopping, 1);
            KeSetEvent(&g_cameras[i].wake, IO_NO_INCREMENT, FALSE);
        }
        DriverUnload(driver);
    }
    return status;
}

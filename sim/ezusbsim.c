/* The simulated EZ-USB camera: a kernel-mode driver for Wine that answers on
   \\.\ezusb-0 with the two requests of the EZ-USB general-purpose driver,
   checks them the way a device stack rejects malformed requests, serves a
   test picture or a raw frame file, and counts what it sees for the tests.

   Camera requests are not answered in the dispatch routine: Wine's driver
   host runs every dispatch on one thread, so a delay there would stall every
   open, close and stop. They are queued, cancellable, until their delay is
   over, and a thread of the driver's own answers them. BlockInRequest alone
   answers them in the dispatch routine, to stand for a driver that does. */
#include <ntddk.h>

#include "ezusbsim.h"
#include "fault_sequence.h"
#include "knobs.h"

static DEVICE_OBJECT *g_camera;
static DEVICE_OBJECT *g_control;

/* The counters and the queue are shared by the dispatch thread, the request
   thread and the cancel routine; the cancel spin lock guards them all, so a
   queued request always still has its cancel routine while the lock is held. */
static EzusbsimCounters g_counters;
static LIST_ENTRY g_queue;
static KEVENT g_wake; /* the queue changed, or we are stopping */
static volatile LONG g_stopping;
static PVOID g_thread;

/* The seeded sequence, drawn from by the dispatch thread alone. It starts
   again from the seed when the seed changes or the counters are reset. */
static int g_fault_active;
static ULONG g_fault_seed;
static uint32_t g_fault_state;
static EzusbsimFault g_capture_fault; /* the last drawn: the current capture's */

/* How a queued request is to be answered, decided when it arrives: by the
   fault knobs as they are when it is answered, failed (FailNext), or as the
   sequence drew it (PLAN_DRAWN + kind, the amount in the bits from 8 up). */
enum { PLAN_KNOBS, PLAN_FAIL, PLAN_DRAWN };

/* Only the request thread builds frames. */
static UCHAR g_frame[EZUSBSIM_FRAME_BYTES];

static NTSTATUS Complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
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
static NTSTATUS AnswerBulkRead(IRP *irp, const Knobs *knobs)
{
    ULONG count = EZUSBSIM_FRAME_BYTES;
    UCHAR *out;
    KIRQL irql;

    if (knobs->bulk_bytes > 0 && knobs->bulk_bytes < EZUSBSIM_FRAME_BYTES)
        count = knobs->bulk_bytes;
    else if (knobs->bulk_fail)
        return Complete(irp, STATUS_UNSUCCESSFUL, 0);

    if (knobs->frame_file[0]) {
        if (ReadFrameFile(knobs->frame_file, g_frame, sizeof g_frame) != 0)
            return Complete(irp, STATUS_UNSUCCESSFUL, 0);
    } else {
        EzusbsimTestPicture(g_frame, g_counters.frames_sent);
    }
    out = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (!out)
        return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    RtlCopyMemory(out, g_frame, count);

    IoAcquireCancelSpinLock(&irql);
    g_counters.frames_sent++;
    IoReleaseCancelSpinLock(irql);
    return Complete(irp, knobs->bulk_fail ? STATUS_DEVICE_BUSY : STATUS_SUCCESS, count);
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

static NTSTATUS AnswerRequest(IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    Knobs knobs;

    if (g_stopping)
        return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    ReadKnobs(&knobs);
    ApplyPlan(&knobs, *Plan(irp));
    if (stack->Parameters.DeviceIoControl.IoControlCode == EZUSBSIM_IOCTL_VENDOR_REQUEST)
        return AnswerVendorRequest(irp, &knobs);
    return AnswerBulkRead(irp, &knobs);
}

static void NTAPI CancelQueued(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    g_counters.pending--;
    g_counters.cancelled++;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    /* The request thread may be waiting for this one's time. */
    KeSetEvent(&g_wake, IO_NO_INCREMENT, FALSE);
    Complete(irp, STATUS_CANCELLED, 0);
}

/* A request stays queued until its delay is over; cancellable unless the
   camera is to ignore cancels. */
static NTSTATUS QueueRequest(IRP *irp, ULONG delay_ms, int cancellable)
{
    KIRQL irql;

    *DueTime(irp) = Now() + (LONGLONG)delay_ms * 10000;
    IoMarkIrpPending(irp);
    IoAcquireCancelSpinLock(&irql);
    if (cancellable)
        IoSetCancelRoutine(irp, CancelQueued);
    if (cancellable && irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
        g_counters.cancelled++;
        IoReleaseCancelSpinLock(irql);
        Complete(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    InsertTailList(&g_queue, &irp->Tail.Overlay.ListEntry);
    g_counters.pending++;
    IoReleaseCancelSpinLock(irql);
    KeSetEvent(&g_wake, IO_NO_INCREMENT, FALSE);
    return STATUS_PENDING;
}

/* As a driver that does its transfer synchronously: the dispatch routine
   itself waits out the delay, returns no STATUS_PENDING and has no cancel
   routine, so the caller's DeviceIoControl waits the whole delay and no
   cancel ends it. */
static NTSTATUS AnswerInRequest(IRP *irp, ULONG delay_ms)
{
    LARGE_INTEGER delay;
    KIRQL irql;
    NTSTATUS status;

    IoAcquireCancelSpinLock(&irql);
    g_counters.pending++;
    IoReleaseCancelSpinLock(irql);
    delay.QuadPart = -(LONGLONG)delay_ms * 10000;
    KeDelayExecutionThread(KernelMode, FALSE, &delay);
    status = AnswerRequest(irp);
    IoAcquireCancelSpinLock(&irql);
    g_counters.pending--;
    IoReleaseCancelSpinLock(irql);
    return status;
}

/* Takes the first queued request if it is due (or we are stopping);
   otherwise says how long to wait for it: 0 with an empty queue. */
static IRP *TakeDueRequest(LONGLONG *wait)
{
    IRP *irp = NULL;
    KIRQL irql;
    LONGLONG now = Now();

    *wait = 0;
    IoAcquireCancelSpinLock(&irql);
    if (!IsListEmpty(&g_queue)) {
        IRP *first = CONTAINING_RECORD(g_queue.Flink, IRP, Tail.Overlay.ListEntry);
        if (g_stopping || *DueTime(first) <= now) {
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
    IRP *irp;
    LONGLONG wait;
    LARGE_INTEGER timeout;
    KIRQL irql;

    (void)context;
    for (;;) {
        irp = TakeDueRequest(&wait);
        if (irp) {
            AnswerRequest(irp);
            IoAcquireCancelSpinLock(&irql);
            g_counters.pending--;
            IoReleaseCancelSpinLock(irql);
            continue;
        }
        if (g_stopping)
            break;
        timeout.QuadPart = -wait;
        KeWaitForSingleObject(&g_wake, Executive, KernelMode, FALSE, wait ? &timeout : NULL);
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
static ULONG_PTR PlanRequest(ULONG code, const Knobs *knobs, ULONG *delay_ms)
{
    EzusbsimFault fault;
    KIRQL irql;

    *delay_ms = knobs->delay_ms;
    /* Written back only when it counts down: most requests open the key once. */
    if (knobs->fail_next > 0 && TakeFailNext())
        return PLAN_FAIL;
    IoAcquireCancelSpinLock(&irql);
    if (!knobs->fault_seed_set) {
        g_fault_active = 0;
        IoReleaseCancelSpinLock(irql);
        return PLAN_KNOBS;
    }
    if (!g_fault_active || g_fault_seed != knobs->fault_seed) {
        g_fault_active = 1;
        g_fault_seed = knobs->fault_seed;
        g_fault_state = knobs->fault_seed;
        g_capture_fault.kind = EZUSBSIM_FAULT_NONE;
        g_capture_fault.amount = 0;
    }
    if (code == EZUSBSIM_IOCTL_VENDOR_REQUEST) {
        g_capture_fault = EzusbsimNextFault(&g_fault_state);
        g_counters.fault_draws++;
    }
    fault = g_capture_fault;
    IoReleaseCancelSpinLock(irql);

    *delay_ms =
        code == EZUSBSIM_IOCTL_BULK_READ && fault.kind == EZUSBSIM_FAULT_SLOW ? fault.amount : 0;
    return PLAN_DRAWN + fault.kind + ((ULONG_PTR)fault.amount << 8);
}

static NTSTATUS CameraControl(IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG in_bytes = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG out_bytes = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const UCHAR *block = irp->AssociatedIrp.SystemBuffer;
    Knobs knobs;
    int valid = 0;
    ULONG i, delay_ms;
    KIRQL irql;

    if (code != EZUSBSIM_IOCTL_VENDOR_REQUEST && code != EZUSBSIM_IOCTL_BULK_READ) {
        IoAcquireCancelSpinLock(&irql);
        g_counters.rejected++;
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }

    IoAcquireCancelSpinLock(&irql);
    if (code == EZUSBSIM_IOCTL_VENDOR_REQUEST) {
        g_counters.vendor_requests++;
        g_counters.last_vendor_in_bytes = in_bytes;
        g_counters.last_vendor_out_bytes = out_bytes;
        RtlZeroMemory(g_counters.last_vendor_block, sizeof g_counters.last_vendor_block);
        for (i = 0; block && i < in_bytes && i < sizeof g_counters.last_vendor_block; i++)
            g_counters.last_vendor_block[i] = block[i];
        valid = VendorBlockValid(block, in_bytes, out_bytes);
    } else {
        g_counters.bulk_reads++;
        g_counters.last_bulk_in_bytes = in_bytes;
        g_counters.last_bulk_out_bytes = out_bytes;
        g_counters.last_bulk_pipe = 0;
        for (i = 0; block && i < in_bytes && i < 4; i++)
            g_counters.last_bulk_pipe |= (ULONG)block[i] << (8 * i);
        valid = BulkBlockValid(block, in_bytes, out_bytes);
    }
    if (!valid)
        g_counters.rejected++;
    IoReleaseCancelSpinLock(irql);

    if (!valid)
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    ReadKnobs(&knobs);
    *Plan(irp) = PlanRequest(code, &knobs, &delay_ms);
    if (knobs.block_in_request)
        return AnswerInRequest(irp, delay_ms);
    return QueueRequest(irp, delay_ms, !knobs.ignore_cancel);
}

static NTSTATUS SimulatorControl(IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG pending;
    KIRQL irql;

    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case EZUSBSIM_IOCTL_GET_COUNTERS:
        if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(EzusbsimCounters))
            return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        IoAcquireCancelSpinLock(&irql);
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &g_counters, sizeof g_counters);
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_SUCCESS, sizeof(EzusbsimCounters));
    case EZUSBSIM_IOCTL_RESET_COUNTERS:
        IoAcquireCancelSpinLock(&irql);
        pending = g_counters.pending;
        RtlZeroMemory(&g_counters, sizeof g_counters);
        g_counters.pending = pending;
        g_fault_active = 0;
        IoReleaseCancelSpinLock(irql);
        return Complete(irp, STATUS_SUCCESS, 0);
    default:
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

static NTSTATUS NTAPI DispatchControl(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);

    if (device == g_control)
        return SimulatorControl(irp, stack);
    return CameraControl(irp, stack);
}

static NTSTATUS NTAPI DispatchCreate(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    KIRQL irql;

    if (device == g_camera) {
        IoAcquireCancelSpinLock(&irql);
        g_counters.opens++;
        g_counters.last_open_share = stack->Parameters.Create.ShareAccess;
        IoReleaseCancelSpinLock(irql);
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchClose(DEVICE_OBJECT *device, IRP *irp)
{
    KIRQL irql;

    if (device == g_camera) {
        IoAcquireCancelSpinLock(&irql);
        g_counters.closes++;
        IoReleaseCancelSpinLock(irql);
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchCleanup(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static void RemoveDevice(DEVICE_OBJECT **device, const WCHAR *link_name)
{
    UNICODE_STRING link;

    if (!*device)
        return;
    RtlInitUnicodeString(&link, link_name);
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(*device);
    *device = NULL;
}

/* The camera is unplugged: whatever is still queued fails at once, then the
   devices go. */
static void NTAPI DriverUnload(DRIVER_OBJECT *driver)
{
    (void)driver;
    if (g_thread) {
        InterlockedExchange(&g_stopping, 1);
        KeSetEvent(&g_wake, IO_NO_INCREMENT, FALSE);
        KeWaitForSingleObject(g_thread, Executive, KernelMode, FALSE, NULL);
        ObDereferenceObject(g_thread);
        g_thread = NULL;
    }
    RemoveDevice(&g_camera, EZUSBSIM_CAMERA_LINK);
    RemoveDevice(&g_control, EZUSBSIM_CONTROL_LINK);
}

static NTSTATUS AddDevice(DRIVER_OBJECT *driver, const WCHAR *device_name, const WCHAR *link_name,
                          DEVICE_OBJECT **device)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    RtlInitUnicodeString(&name, device_name);
    RtlInitUnicodeString(&link, link_name);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, device);
    if (!NT_SUCCESS(status))
        return status;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(*device);
        *device = NULL;
    }
    return status;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry_path)
{
    HANDLE thread;
    NTSTATUS status;

    status = SetKnobsKey(registry_path);
    if (!NT_SUCCESS(status))
        return status;

    InitializeListHead(&g_queue);
    KeInitializeEvent(&g_wake, SynchronizationEvent, FALSE);
    g_stopping = 0;

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;

    status =
        PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, NULL, NULL, NULL, RequestThread, NULL);
    if (!NT_SUCCESS(status))
        return status;
    /* No object type: Wine 8 answers *PsThreadType for this handle with
       STATUS_OBJECT_TYPE_MISMATCH. */
    status = ObReferenceObjectByHandle(thread, SYNCHRONIZE, NULL, KernelMode, &g_thread, NULL);
    ZwClose(thread);
    if (NT_SUCCESS(status))
        status = AddDevice(driver, EZUSBSIM_CAMERA_DEVICE, EZUSBSIM_CAMERA_LINK, &g_camera);
    if (NT_SUCCESS(status))
        status = AddDevice(driver, EZUSBSIM_CONTROL_DEVICE, EZUSBSIM_CONTROL_LINK, &g_control);
    if (!NT_SUCCESS(status)) {
        /* A thread we could not reference still sees the stop flag. */
        InterlockedExchange(&g_stopping, 1);
        KeSetEvent(&g_wake, IO_NO_INCREMENT, FALSE);
        DriverUnload(driver);
    }
    return status;
}

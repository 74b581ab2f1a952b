/* The simulated camera's fault knobs and served file: registry values under
   the service's Parameters key, read afresh for every request. */
#include <ntddk.h>

#include "ezusbsim.h"
#include "knobs.h"

#define KEY_CHARS 300
/* Room for "\\Camera" and a digit after the Parameters key. */
#define CAMERA_SUFFIX_CHARS 9

static WCHAR g_key_path[KEY_CHARS];
static ULONG g_key_chars;

NTSTATUS SetKnobsKey(const UNICODE_STRING *registry_path)
{
    static const WCHAR parameters[] = L"\\Parameters";
    ULONG i, chars = registry_path->Length / sizeof(WCHAR);

    if (chars + sizeof parameters / sizeof(WCHAR) + CAMERA_SUFFIX_CHARS > KEY_CHARS)
        return STATUS_NAME_TOO_LONG;
    for (i = 0; i < chars; i++)
        g_key_path[i] = registry_path->Buffer[i];
    for (i = 0; i < sizeof parameters / sizeof(WCHAR); i++)
        g_key_path[chars + i] = parameters[i];
    g_key_chars = chars + sizeof parameters / sizeof(WCHAR) - 1;
    return STATUS_SUCCESS;
}

/* Opens the camera's knobs: Parameters for camera 0, Parameters\CameraK
   for camera k. */
static NTSTATUS OpenCameraKey(ULONG camera, ACCESS_MASK access, HANDLE *key)
{
    static const WCHAR subkey[] = L"\\" EZUSBSIM_CAMERA_SUBKEY;
    WCHAR path[KEY_CHARS];
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    ULONG i, chars = g_key_chars;

    for (i = 0; i < chars; i++)
        path[i] = g_key_path[i];
    if (camera > 0) {
        for (i = 0; subkey[i]; i++)
            path[chars++] = subkey[i];
        path[chars++] = (WCHAR)(L'0' + camera % 10);
    }
    path[chars] = 0;
    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    return ZwOpenKey(key, access, &attributes);
}

/* 0 when the value is missing or not a DWORD; *present says which. */
static ULONG ReadDwordValue(HANDLE key, const WCHAR *name, ULONG *present)
{
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)];
    } value;
    UNICODE_STRING value_name;
    ULONG length;

    *present = 0;
    RtlInitUnicodeString(&value_name, name);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, &value,
                                    sizeof value, &length))
        || value.info.Type != REG_DWORD || value.info.DataLength != sizeof(ULONG))
        return 0;
    *present = 1;
    return *(ULONG *)value.info.Data;
}

static ULONG ReadDword(HANDLE key, const WCHAR *name)
{
    ULONG present;

    return ReadDwordValue(key, name, &present);
}

/* The value where it is given (0 too), else fallback. */
static ULONG ReadDwordOr(HANDLE key, const WCHAR *name, ULONG fallback)
{
    ULONG present;
    ULONG value = ReadDwordValue(key, name, &present);

    return present ? value : fallback;
}

static void ReadString(HANDLE key, const WCHAR *name, WCHAR *text, ULONG chars)
{
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + FRAME_FILE_CHARS * sizeof(WCHAR)];
    } value;
    UNICODE_STRING value_name;
    ULONG length, i, count;
    const WCHAR *data = (const WCHAR *)value.info.Data;

    text[0] = 0;
    RtlInitUnicodeString(&value_name, name);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, &value,
                                    sizeof value, &length))
        || (value.info.Type != REG_SZ && value.info.Type != REG_EXPAND_SZ))
        return;
    count = value.info.DataLength / sizeof(WCHAR);
    for (i = 0; i < count && i < chars - 1 && data[i]; i++)
        text[i] = data[i];
    text[i] = 0;
}

ULONG ReadCameraCount(void)
{
    HANDLE key;
    ULONG count;

    if (!NT_SUCCESS(OpenCameraKey(0, KEY_QUERY_VALUE, &key)))
        return 1;
    count = ReadDword(key, L"" EZUSBSIM_VALUE_CAMERAS);
    ZwClose(key);
    return count >= 1 && count <= EZUSBSIM_MAX_CAMERAS ? count : 1;
}

void ReadKnobs(ULONG camera, Knobs *knobs)
{
    HANDLE key;
    ULONG delay_ms;

    RtlZeroMemory(knobs, sizeof *knobs);
    if (!NT_SUCCESS(OpenCameraKey(camera, KEY_QUERY_VALUE, &key)))
        return;
    knobs->vendor_fail = ReadDword(key, L"" EZUSBSIM_VALUE_VENDOR_FAIL);
    knobs->bulk_fail = ReadDword(key, L"" EZUSBSIM_VALUE_BULK_FAIL);
    knobs->bulk_bytes = ReadDword(key, L"" EZUSBSIM_VALUE_BULK_BYTES);
    delay_ms = ReadDword(key, L"" EZUSBSIM_VALUE_DELAY_MS);
    knobs->vendor_delay_ms = ReadDwordOr(key, L"" EZUSBSIM_VALUE_VENDOR_DELAY_MS, delay_ms);
    knobs->bulk_delay_ms = ReadDwordOr(key, L"" EZUSBSIM_VALUE_BULK_DELAY_MS, delay_ms);
    knobs->fail_next = ReadDword(key, L"" EZUSBSIM_VALUE_FAIL_NEXT);
    knobs->fault_seed = ReadDwordValue(key, L"" EZUSBSIM_VALUE_FAULT_SEED, &knobs->fault_seed_set);
    knobs->ignore_cancel = ReadDword(key, L"" EZUSBSIM_VALUE_IGNORE_CANCEL);
    knobs->block_in_request = ReadDword(key, L"" EZUSBSIM_VALUE_BLOCK_IN_REQUEST);
    knobs->noise = ReadDword(key, L"" EZUSBSIM_VALUE_NOISE);
    knobs->noise_seed = ReadDwordOr(key, L"" EZUSBSIM_VALUE_NOISE_SEED, 1);
    ReadString(key, L"" EZUSBSIM_VALUE_FRAME_FILE, knobs->frame_file, FRAME_FILE_CHARS);
    ZwClose(key);
}

int TakeFailNext(ULONG camera)
{
    UNICODE_STRING value_name;
    HANDLE key;
    ULONG count;
    int fail = 0;

    if (!NT_SUCCESS(OpenCameraKey(camera, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)))
        return 0;
    count = ReadDword(key, L"" EZUSBSIM_VALUE_FAIL_NEXT);
    if (count > 0) {
        count--;
        RtlInitUnicodeString(&value_name, L"" EZUSBSIM_VALUE_FAIL_NEXT);
        fail = NT_SUCCESS(ZwSetValueKey(key, &value_name, 0, REG_DWORD, &count, sizeof count));
    }
    ZwClose(key);
    return fail;
}

int ReadFrameFile(const WCHAR *dos_path, UCHAR *frame, ULONG bytes)
{
    WCHAR path[FRAME_FILE_CHARS + 4] = L"\\??\\";
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    HANDLE file;
    NTSTATUS status;
    ULONG i;

    for (i = 0; dos_path[i]; i++)
        path[4 + i] = dos_path[i];
    path[4 + i] = 0;
    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    status = ZwCreateFile(&file, GENERIC_READ | SYNCHRONIZE, &attributes, &io, NULL,
                          FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, FILE_OPEN,
                          FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
    if (!NT_SUCCESS(status))
        return -1;
    status = ZwReadFile(file, NULL, NULL, NULL, &io, frame, bytes, NULL, NULL);
    ZwClose(file);
    return NT_SUCCESS(status) && io.Information == bytes ? 0 : -1;
}

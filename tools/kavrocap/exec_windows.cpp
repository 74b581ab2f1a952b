#include "exec_windows.h"

#include <windows.h>

#include <vector>

#include "command_split.h"
#include "system_error.h"
#include "utf8_names.h"

namespace {

// After TerminateJobObject, how long the program may take to be gone.
const DWORD ENDING_MS = 5000;

ExecOutcome NotStarted(std::string *why, const std::string &text)
{
    *why = text;
    return EXEC_NOT_STARTED;
}

std::wstring FullPath(const std::wstring &path)
{
    DWORD length = GetFullPathNameW(path.c_str(), 0, NULL, NULL);
    if (length == 0)
        return std::wstring();
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path.c_str(), length, &full[0], NULL);
    full.resize(length);
    return full;
}

// The program as CreateProcessW is to start it, named in full, so that no
// search of its own can pick another file than the one checked: a name
// with a folder as it says, otherwise found as the search path finds it,
// with .exe when it has no extension.
std::wstring ProgramPath(const std::string &program)
{
    std::wstring name = WidenUtf8(program.c_str());
    if (program.find_first_of("\\/:") != std::string::npos) {
        std::wstring full = FullPath(name);
        size_t base = full.find_last_of(L"\\/");
        if (full.find(L'.', base == std::wstring::npos ? 0 : base) == std::wstring::npos)
            full += L".exe";
        return GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : full;
    }
    wchar_t found[MAX_PATH];
    DWORD length = SearchPathW(NULL, name.c_str(), L".exe", MAX_PATH, found, NULL);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(found, length);
}

// Ends with its job, and takes everything it starts with it.
HANDLE KillingJob()
{
    HANDLE job = CreateJobObjectW(NULL, NULL);
    if (job == NULL)
        return NULL;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    ZeroMemory(&limits, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return NULL;
    }
    return job;
}

// The program's standard handles: NUL for input and output, kavrocap's
// standard error for its errors. Inheritable, and listed as the only handles
// it inherits: a pipe of kavrocap's it held would stay open after both.
struct ChildHandles {
    HANDLE nul;
    HANDLE err;
    LPPROC_THREAD_ATTRIBUTE_LIST attributes;
    std::vector<char> attribute_bytes;
    HANDLE list[2];
};

// "" when the handles are ready, else what failed.
std::string PrepareHandles(ChildHandles *h)
{
    h->err = NULL;
    h->attributes = NULL;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    h->nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherit, OPEN_EXISTING, 0, NULL);
    if (h->nul == INVALID_HANDLE_VALUE)
        return "cannot open NUL: " + LastErrorText();
    HANDLE own_err = GetStdHandle(STD_ERROR_HANDLE);
    if (own_err == NULL || own_err == INVALID_HANDLE_VALUE
        || !DuplicateHandle(GetCurrentProcess(), own_err, GetCurrentProcess(), &h->err, 0, TRUE,
                            DUPLICATE_SAME_ACCESS))
        h->err = NULL;
    h->list[0] = h->nul;
    h->list[1] = h->err;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(NULL, 1, 0, &size);
    h->attribute_bytes.resize(size > 0 ? size : 1);
    LPPROC_THREAD_ATTRIBUTE_LIST list =
        reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(h->attribute_bytes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
        return "cannot list the handles it may inherit: " + LastErrorText();
    h->attributes = list;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, h->list,
                                   (h->err != NULL ? 2 : 1) * sizeof(HANDLE), NULL, NULL))
        return "cannot list the handles it may inherit: " + LastErrorText();
    return std::string();
}

void CloseHandles(ChildHandles *h)
{
    if (h->attributes != NULL)
        DeleteProcThreadAttributeList(h->attributes);
    if (h->err != NULL)
        CloseHandle(h->err);
    if (h->nul != INVALID_HANDLE_VALUE)
        CloseHandle(h->nul);
}

// Started suspended, so that it is in the job before it can start anything.
ExecOutcome Start(const std::wstring &program, std::wstring line, HANDLE job,
                  PROCESS_INFORMATION *process, std::string *why)
{
    ChildHandles handles;
    std::string problem = PrepareHandles(&handles);
    if (!problem.empty()) {
        CloseHandles(&handles);
        return NotStarted(why, problem);
    }
    STARTUPINFOEXW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = handles.nul;
    startup.StartupInfo.hStdOutput = handles.nul;
    startup.StartupInfo.hStdError = handles.err != NULL ? handles.err : handles.nul;
    startup.lpAttributeList = handles.attributes;
    DWORD flags = CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT;
    BOOL started = CreateProcessW(program.c_str(), &line[0], NULL, NULL, TRUE, flags, NULL, NULL,
                                  &startup.StartupInfo, process);
    std::string reason = started ? std::string() : LastErrorText();
    CloseHandles(&handles);
    if (!started)
        return NotStarted(why, reason);
    if (!AssignProcessToJobObject(job, process->hProcess)) {
        reason = LastErrorText();
        TerminateProcess(process->hProcess, 1);
        CloseHandle(process->hThread);
        CloseHandle(process->hProcess);
        return NotStarted(why, "cannot put it in a job object: " + reason);
    }
    ResumeThread(process->hThread);
    CloseHandle(process->hThread);
    return EXEC_EXITED;
}

ExecOutcome RunInJob(void *, const std::string &command, const std::string &path,
                     int64_t timeout_ms, uint32_t *exit_code, std::string *why)
{
    std::string program = SplitCommandLine(command)[0];
    std::wstring program_path = ProgramPath(program);
    if (program_path.empty())
        return NotStarted(why, "not found: " + program);
    if (GoesThroughCmd(NarrowToUtf8(program_path.c_str())))
        return NotStarted(why, "a batch file: " + NarrowToUtf8(program_path.c_str()));
    std::wstring file = FullPath(WidenUtf8(path.c_str()));
    std::wstring line =
        WidenUtf8((command + " " + QuoteArgument(NarrowToUtf8(file.c_str()))).c_str());
    HANDLE job = KillingJob();
    if (job == NULL)
        return NotStarted(why, "cannot make a job object: " + LastErrorText());
    PROCESS_INFORMATION process;
    ExecOutcome outcome = Start(program_path, line, job, &process, why);
    if (outcome != EXEC_EXITED) {
        CloseHandle(job);
        return outcome;
    }
    DWORD limit = timeout_ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(timeout_ms);
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        *exit_code = code;
    } else {
        TerminateJobObject(job, 1);
        WaitForSingleObject(process.hProcess, ENDING_MS);
        outcome = EXEC_TIMED_OUT;
    }
    CloseHandle(process.hProcess);
    // What it left running goes with the job.
    CloseHandle(job);
    return outcome;
}

}  // namespace

ExecSeam WindowsExecSeam()
{
    return ExecSeam{RunInJob, NULL};
}

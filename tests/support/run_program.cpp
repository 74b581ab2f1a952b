#include "run_program.h"

#include <string.h>

#include "hang_limit.h"

namespace {

struct Stream {
    HANDLE pipe;              // our end
    HANDLE child;             // the program's end, inherited
    std::string *received;    // stdout or stderr: filled from pipe
    const std::string *sent;  // stdin: written to pipe, then closed
    HANDLE thread;
};

DWORD WINAPI ReadStream(void *parameter)
{
    Stream *stream = static_cast<Stream *>(parameter);
    char block[4096];
    DWORD got = 0;
    while (ReadFile(stream->pipe, block, sizeof block, &got, NULL) && got > 0)
        stream->received->append(block, got);
    return 0;
}

DWORD WINAPI WriteStream(void *parameter)
{
    Stream *stream = static_cast<Stream *>(parameter);
    size_t done = 0;
    while (done < stream->sent->size()) {
        DWORD put = 0;
        DWORD chunk = static_cast<DWORD>(
            stream->sent->size() - done > 65536 ? 65536 : stream->sent->size() - done);
        if (!WriteFile(stream->pipe, stream->sent->data() + done, chunk, &put, NULL) || put == 0)
            break;
        done += put;
    }
    // The end of input.
    CloseHandle(stream->pipe);
    stream->pipe = NULL;
    return 0;
}

// A pipe whose one end the program inherits: its read end for stdin, its
// write end for the others. 0 or -1.
int OpenStream(Stream *stream, bool program_reads)
{
    HANDLE read_end;
    HANDLE write_end;
    if (!CreatePipe(&read_end, &write_end, NULL, 0))
        return -1;
    stream->pipe = program_reads ? write_end : read_end;
    stream->child = program_reads ? read_end : write_end;
    return SetHandleInformation(stream->child, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ? 0 : -1;
}

void CloseStream(Stream *stream)
{
    if (stream->thread != NULL) {
        // The stream ends with the program, unless a program it started
        // still holds it.
        if (WaitForSingleObject(stream->thread, HANG_MS) != WAIT_OBJECT_0) {
            CancelSynchronousIo(stream->thread);
            WaitForSingleObject(stream->thread, HANG_MS);
        }
        CloseHandle(stream->thread);
    }
    if (stream->child != NULL)
        CloseHandle(stream->child);
    if (stream->pipe != NULL)
        CloseHandle(stream->pipe);
    memset(stream, 0, sizeof *stream);
}

}  // namespace

int RunProgram(const wchar_t *command_line, const wchar_t *directory,
               const std::string *stdin_bytes, DWORD timeout_ms, ProgramRun *run)
{
    run->exit_code = 0xDEADBEEF;
    run->out.clear();
    run->err.clear();
    run->timed_out = 0;

    const std::string no_input;
    Stream in = {NULL, NULL, NULL, stdin_bytes != NULL ? stdin_bytes : &no_input, NULL};
    Stream out = {NULL, NULL, &run->out, NULL, NULL};
    Stream err = {NULL, NULL, &run->err, NULL, NULL};
    Stream *streams[3] = {&in, &out, &err};
    int result = -1;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    if (OpenStream(&in, true) == 0 && OpenStream(&out, false) == 0
        && OpenStream(&err, false) == 0) {
        STARTUPINFOW startup;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.child;
        startup.hStdOutput = out.child;
        startup.hStdError = err.child;
        std::wstring line = command_line;  // CreateProcessW may write to it
        if (CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, directory, &startup,
                           &process))
            result = 0;
    }
    // Only the program holds its ends now: the streams end when it does.
    for (Stream *stream : streams) {
        if (stream->child != NULL)
            CloseHandle(stream->child);
        stream->child = NULL;
    }
    if (result == 0) {
        in.thread = CreateThread(NULL, 0, WriteStream, &in, 0, NULL);
        out.thread = CreateThread(NULL, 0, ReadStream, &out, 0, NULL);
        err.thread = CreateThread(NULL, 0, ReadStream, &err, 0, NULL);
        if (WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) {
            run->timed_out = 1;
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, HANG_MS);
        }
        GetExitCodeProcess(process.hProcess, &run->exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (Stream *stream : streams)
        CloseStream(stream);
    return result;
}

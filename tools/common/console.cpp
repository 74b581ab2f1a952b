#include "console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "utf8_names.h"

// A console takes UTF-16 whatever its code page; a file or a pipe gets the
// bytes themselves. What the stream already buffers goes out first.
void PrintUtf8(FILE *stream, const char *text)
{
    HANDLE handle = (HANDLE)_get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        fputs(text, stream);
        return;
    }
    fflush(stream);
    std::wstring wide = WidenUtf8(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.c_str(), (DWORD)wide.size(), &written, NULL);
}

#else

void PrintUtf8(FILE *stream, const char *text)
{
    fputs(text, stream);
}

#endif

// Flushed explicitly: msvcrt buffers a stream that is no console whole,
// even when told to buffer by line.
void PrintLine(FILE *stream, const std::string &line)
{
    PrintUtf8(stream, (line + "\n").c_str());
    fflush(stream);
}

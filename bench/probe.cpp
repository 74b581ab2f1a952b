#include "probe.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "frame.h"

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

int OpenProbe(ScreenProbe *probe, int width, int height)
{
    memset(probe, 0, sizeof *probe);
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    probe->screen = GetDC(NULL);
    if (probe->screen == NULL)
        return -1;
    probe->memory = CreateCompatibleDC(probe->screen);
    void *bits = NULL;
    probe->bitmap = CreateDIBSection(probe->screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (probe->memory == NULL || probe->bitmap == NULL) {
        CloseProbe(probe);
        return -1;
    }
    probe->previous = SelectObject(probe->memory, probe->bitmap);
    probe->bits = static_cast<const uint32_t *>(bits);
    probe->width = width;
    probe->height = height;
    return 0;
}

void CloseProbe(ScreenProbe *probe)
{
    if (probe->previous != NULL)
        SelectObject(probe->memory, probe->previous);
    if (probe->bitmap != NULL)
        DeleteObject(probe->bitmap);
    if (probe->memory != NULL)
        DeleteDC(probe->memory);
    if (probe->screen != NULL)
        ReleaseDC(NULL, probe->screen);
    memset(probe, 0, sizeof *probe);
}

int ReadScreenRect(ScreenProbe *probe, int x, int y, int width, int height, uint32_t *rgb)
{
    if (width > probe->width || height > probe->height)
        return -1;
    if (!BitBlt(probe->memory, 0, 0, width, height, probe->screen, x, y, SRCCOPY))
        return -1;
    GdiFlush();
    for (int row = 0; row < height; row++) {
        const uint32_t *from = probe->bits + row * probe->width;
        for (int column = 0; column < width; column++)
            rgb[row * width + column] = from[column] & 0xFFFFFF;
    }
    return 0;
}

void PictureToRgb(const uint8_t *bits, uint32_t *rgb)
{
    for (int y = 0; y < FRAME_HEIGHT; y++) {
        const uint8_t *row = bits + (FRAME_HEIGHT - 1 - y) * FRAME_WIDTH * 3;
        for (int x = 0; x < FRAME_WIDTH; x++) {
            const uint8_t *bgr = row + x * 3;
            rgb[y * FRAME_WIDTH + x] = (uint32_t)bgr[2] << 16 | (uint32_t)bgr[1] << 8 | bgr[0];
        }
    }
}

HWND FindProgramWindow(DWORD process_id, const char *class_name)
{
    // By class first: one call to the server instead of one per window.
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, class_name, NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_id && IsWindowVisible(window))
            return window;
    }
    return NULL;
}

int LaunchProgram(Program *program, const char *command_line)
{
    memset(program, 0, sizeof *program);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    char line[MAX_PATH * 2];
    if (strlen(command_line) >= sizeof line)
        return -1;
    strcpy(line, command_line);
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &program->info)) {
        memset(&program->info, 0, sizeof program->info);
        return -1;
    }
    return 0;
}

int WaitForProgramWindow(Program *program, const char *class_name, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout_ms) {
        program->window = FindProgramWindow(program->info.dwProcessId, class_name);
        if (program->window != NULL)
            return 0;
        if (WaitForSingleObject(program->info.hProcess, 0) == WAIT_OBJECT_0)
            return -1;
        Sleep(5);
    }
    return -1;
}

void EndProgram(Program *program)
{
    if (program->info.hProcess == NULL)
        return;
    if (WaitForSingleObject(program->info.hProcess, 0) != WAIT_OBJECT_0) {
        if (program->window != NULL)
            PostMessageA(program->window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(program->info.hProcess, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(program->info.hProcess, 1);
            WaitForSingleObject(program->info.hProcess, 5000);
        }
    }
    CloseHandle(program->info.hThread);
    CloseHandle(program->info.hProcess);
    memset(program, 0, sizeof *program);
}

Summary Summarize(std::vector<double> values)
{
    Summary summary = {0, 0, 0, 0, 0};
    summary.count = (int)values.size();
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    summary.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    size_t rank = (size_t)ceil(0.95 * (double)n);
    summary.p95 = values[rank - 1];
    summary.min = values.front();
    summary.max = values.back();
    return summary;
}

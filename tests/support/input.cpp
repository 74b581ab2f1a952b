#include "input.h"

#include <string.h>

#include <vector>

#include "wait.h"

namespace {

INPUT KeyInput(WORD virtual_key, bool up)
{
    INPUT input;
    memset(&input, 0, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Absolute coordinates are in 1/65536 of the screen.
INPUT MouseInput(int x, int y, DWORD flags)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input;
    memset(&input, 0, sizeof input);
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65536 + width - 1) / width;
    input.mi.dy = (y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

int Send(std::vector<INPUT> inputs)
{
    UINT count = static_cast<UINT>(inputs.size());
    return SendInput(count, inputs.data(), sizeof(INPUT)) == count ? 0 : -1;
}

// Keys pressed in order, released in reverse order.
int Chord(const std::vector<WORD> &keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys)
        inputs.push_back(KeyInput(key, false));
    for (size_t i = keys.size(); i-- > 0;)
        inputs.push_back(KeyInput(keys[i], true));
    return Send(inputs);
}

int PressButtonAt(int x, int y)
{
    if (MovePointer(x, y) != 0)
        return -1;
    return Send({MouseInput(x, y, MOUSEEVENTF_LEFTDOWN)});
}

int ReleaseButtonAt(int x, int y)
{
    if (MovePointer(x, y) != 0)
        return -1;
    return Send({MouseInput(x, y, MOUSEEVENTF_LEFTUP)});
}

POINT ControlMiddle(HWND control)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(control, &rect);
    POINT middle = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return middle;
}

}  // namespace

int MovePointer(int x, int y)
{
    if (Send({MouseInput(x, y, 0)}) != 0)
        return -1;
    bool there = WaitUntil([x, y] {
        POINT at;
        return GetCursorPos(&at) && at.x == x && at.y == y;
    });
    return there ? 0 : -1;
}

int ClickScreen(int x, int y)
{
    if (PressButtonAt(x, y) != 0)
        return -1;
    return Send({MouseInput(x, y, MOUSEEVENTF_LEFTUP)});
}

int ClickClient(HWND window, int x, int y)
{
    POINT at = {x, y};
    if (!ClientToScreen(window, &at))
        return -1;
    return ClickScreen(at.x, at.y);
}

int ClickControl(HWND control)
{
    if (!IsWindow(control))
        return -1;
    POINT middle = ControlMiddle(control);
    return ClickScreen(middle.x, middle.y);
}

int PressAndSlideOff(HWND control, int x, int y)
{
    if (!IsWindow(control))
        return -1;
    POINT middle = ControlMiddle(control);
    if (PressButtonAt(middle.x, middle.y) != 0)
        return -1;
    return ReleaseButtonAt(x, y);
}

int PressAltCharacter(char character)
{
    SHORT scan = VkKeyScanA(character);
    if (scan == -1)
        return -1;
    std::vector<WORD> keys = {VK_MENU};
    if (scan & 0x100)
        keys.push_back(VK_SHIFT);
    keys.push_back(LOBYTE(scan));
    return Chord(keys);
}

int PressKey(WORD virtual_key)
{
    return Chord({virtual_key});
}

int PressAltKey(WORD virtual_key)
{
    return Chord({VK_MENU, virtual_key});
}

int PrepareClick(HWND control, PreparedClick *click)
{
    if (!IsWindow(control))
        return -1;
    POINT middle = ControlMiddle(control);
    click->inputs[0] = MouseInput(middle.x, middle.y, MOUSEEVENTF_LEFTDOWN);
    click->inputs[1] = MouseInput(middle.x, middle.y, MOUSEEVENTF_LEFTUP);
    return 0;
}

int SendClick(const PreparedClick *click)
{
    INPUT inputs[2] = {click->inputs[0], click->inputs[1]};
    return SendInput(2, inputs, sizeof(INPUT)) == 2 ? 0 : -1;
}

int FindHitPoint(HWND window, LRESULT hit, POINT *at)
{
    RECT rect;
    POINT client = {0, 0};
    if (!GetWindowRect(window, &rect) || !ClientToScreen(window, &client))
        return -1;
    // The caption's middle row first: the caption buttons sit there.
    int middle_row = (rect.top + client.y) / 2;
    std::vector<int> rows = {middle_row};
    for (int y = rect.top; y < rect.bottom; y++)
        rows.push_back(y);
    for (int y : rows) {
        int first = -1;
        int last = -1;
        for (int x = rect.left; x < rect.right; x++) {
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0) {
            at->x = (first + last) / 2;
            at->y = y;
            return 0;
        }
    }
    return -1;
}

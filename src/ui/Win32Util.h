#pragma once

// Small helpers for the Win32 front end, so that no handler does buffer arithmetic or handle
// bookkeeping of its own.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/Placement.h"
#include "platform/win32/ProcessInfo.h"
#include "platform/win32/UniqueHandle.h"

namespace nordavel::win32 {

// The hourglass while a batch runs: no message is handled until it ends.
class WaitCursor {
public:
    WaitCursor() noexcept : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// The names of the dropped files, in their order; the drop is released whatever happens.
std::vector<std::string> DroppedFileNames(HDROP drop);

// The window's text as UTF-8, however long.
std::string Text(HWND window);
void SetText(HWND window, const std::string& utf8);
// Adds `text` at the end of an edit control, without reading its text.
void AppendText(HWND edit, const std::wstring& text);

// Moves the window without sizing, activating or raising it.
void MoveWindowTo(HWND window, Point topLeft);
// The pixels per inch across the screen the window is on.
int PixelsPerInch(HWND window);
// The work rectangle of the monitor nearest to the window, or to a window at `window`.
Rect MonitorWorkArea(HWND window);
Rect MonitorWorkArea(const Rect& window);
Rect WindowRect(HWND window);

// The most significant 32 bits of the file version in the executable's version resource, or
// kNoFileVersion.
std::uint32_t ExecutableFileVersionMs();

// The outer size of a window with this client size and these styles.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

} // namespace nordavel::win32

#pragma once

// Small helpers for the Win32 front end, so that no handler does buffer arithmetic or handle
// bookkeeping of its own.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "desktop/Placement.h"
#include "platform/win32/ProcessInfo.h"

namespace nordavel::win32 {

// A kernel handle, closed with CloseHandle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~UniqueHandle() { Reset(nullptr); }
    HANDLE Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    void Reset(HANDLE handle) noexcept {
        if (handle_) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// A GDI font, deleted with DeleteObject.
class UniqueFont {
public:
    UniqueFont() = default;
    explicit UniqueFont(HFONT font) noexcept : font_(font) {}
    UniqueFont(UniqueFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    UniqueFont& operator=(UniqueFont&& other) noexcept {
        if (this != &other) {
            if (font_) DeleteObject(font_);
            font_ = std::exchange(other.font_, nullptr);
        }
        return *this;
    }
    ~UniqueFont() {
        if (font_) DeleteObject(font_);
    }
    HFONT Get() const noexcept { return font_; }

private:
    HFONT font_ = nullptr;
};

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

// Moves the window without sizing, activating or raising it.
void MoveWindowTo(HWND window, Point topLeft);
// The pixels per inch across the screen the window is on.
int PixelsPerInch(HWND window);
// The work rectangle of the monitor nearest to the window.
Rect MonitorWorkArea(HWND window);
Rect WindowRect(HWND window);

// The most significant 32 bits of the file version in the executable's version resource, or
// kNoFileVersion.
std::uint32_t ExecutableFileVersionMs();

// The outer size of a window with this client size and these styles.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

} // namespace nordavel::win32

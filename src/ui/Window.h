#pragma once

#include <windows.h>

namespace nordavel::win32 {

// One top-level window of the program: keeps `this` with its handle and hands every message to
// HandleMessage. No exception ever leaves the window procedure: one that escapes a message goes
// to the application's error box and the program carries on.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

protected:
    // Registers the class once per process.
    static void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, HICON icon);
    void Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
                DWORD exStyle, int width, int height);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
};

} // namespace nordavel::win32

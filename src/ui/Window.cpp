#include "ui/Window.h"

#include <stdexcept>

#include "platform/IoError.h"
#include "ui/ErrorBox.h"

namespace nordavel::win32 {

Window::~Window() {
    if (hwnd_) {
        // The window outlives no object: it must not call back into a destroyed one.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Window::RegisterWindowClass(HINSTANCE instance, const wchar_t* className, HICON icon) {
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, className, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Window::Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass))
        throw IoError(static_cast<int>(GetLastError()), "Cannot register window class", "");
}

void Window::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption,
                    DWORD style, DWORD exStyle, int width, int height) {
    if (!CreateWindowExW(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                         height, nullptr, nullptr, instance, this))
        throw IoError(static_cast<int>(GetLastError()), "Cannot create window", "");
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* window =
            static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = window->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ShowCurrentException(ErrorBoxOwner() ? ErrorBoxOwner() : hwnd);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        window->hwnd_ = nullptr;
    }
    return result;
}

} // namespace nordavel::win32

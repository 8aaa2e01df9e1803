#include "ui/Win32Util.h"

#include "desktop/AppText.h"
#include "platform/win32/ProcessInfo.h"
#include "platform/win32/WideText.h"

namespace nordavel::win32 {

std::vector<std::string> DroppedFileNames(HDROP drop) {
    const std::unique_ptr<std::remove_pointer_t<HDROP>, decltype(&DragFinish)> handle(drop,
                                                                                      &DragFinish);
    const UINT count = DragQueryFileW(handle.get(), 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> names;
    for (UINT i = 0; i < count; ++i) {
        // Sized for each name: a fixed buffer would cut a name longer than MAX_PATH short.
        const UINT length = DragQueryFileW(handle.get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(DragQueryFileW(handle.get(), i, path.data(), length + 1));
        names.push_back(Narrow(path));
    }
    return names;
}

std::string Text(HWND window) {
    const auto length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = static_cast<int>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<std::size_t>(copied));
    return Narrow(text);
}

void SetText(HWND window, const std::string& utf8) {
    SetWindowTextW(window, Widen(utf8).c_str());
}

void AppendText(HWND edit, const std::wstring& text) {
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void MoveWindowTo(HWND window, Point topLeft) {
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int PixelsPerInch(HWND window) {
    const HDC surface = GetDC(window);
    const int pixelsPerInch = GetDeviceCaps(surface, LOGPIXELSX);
    ReleaseDC(window, surface);
    return pixelsPerInch;
}

namespace {

Rect WorkArea(HMONITOR monitor) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    return Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

} // namespace

Rect MonitorWorkArea(HWND window) {
    return WorkArea(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

Rect MonitorWorkArea(const Rect& window) {
    const RECT rect{window.left, window.top, window.right, window.bottom};
    return WorkArea(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST));
}

Rect WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

std::uint32_t ExecutableFileVersionMs() {
    const std::wstring path = Widen(ExecutablePath());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return kNoFileVersion;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return kNoFileVersion;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        info == nullptr || length < sizeof *info)
        return kNoFileVersion;
    return info->dwFileVersionMS;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace nordavel::win32

#include "ui/ReportWindow.h"

#include <stdexcept>

#include "desktop/Placement.h"
#include "platform/win32/WideText.h"
#include "ui/resource.h"

namespace nordavel::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TFormReport";
constexpr int kClientWidth = 525;
constexpr int kClientHeight = 275;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

} // namespace

ReportWindow::ReportWindow(HINSTANCE instance, HICON icon, HWND mainWindow)
    : mainWindow_(mainWindow) {
    RegisterWindowClass(instance, kClassName, icon);
    const SIZE outer = OuterSize(kClientWidth, kClientHeight, kStyle, 0);
    Create(instance, kClassName, L"Report", kStyle, 0, outer.cx, outer.cy);

    // Word-wrapped: no automatic horizontal scrolling.
    memo_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                                ES_AUTOVSCROLL | ES_NOHIDESEL,
                            0, 0, kClientWidth, kClientHeight, Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_REPORT_TEXT)),
                            instance, nullptr);
    if (!memo_) throw std::runtime_error("Cannot create the report window");
    // A report of thousands of files must neither be cut nor refused.
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);

    LOGFONTW logFont{};
    logFont.lfHeight = -11;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, L"Tahoma", LF_FACESIZE);
    SetFont(CreateFontIndirectW(&logFont));
}

void ReportWindow::SetFont(HFONT font) {
    font_ = UniqueFont(font);
    SendMessageW(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ReportWindow::RunBegun() {
    pending_.clear();
    SetWindowTextW(memo_, L"");
}

void ReportWindow::Line(std::string_view text) {
    std::wstring line = Widen(text);
    line += L"\r\n";
    if (batches_ > 0) {
        pending_ += line;
    } else {
        AppendText(memo_, line);
    }
}

void ReportWindow::FlushPending() noexcept {
    if (pending_.empty()) return;
    AppendText(memo_, pending_);
    pending_.clear();
}

void ReportWindow::Reveal() {
    if (IsWindowVisible(Handle())) return;
    FlushPending();
    ShowInFront();
}

void ReportWindow::ShowInFront() {
    if (!IsWindowVisible(Handle())) {
        if (!shownBefore_) {
            const Rect outer = WindowRect(Handle());
            const Point position =
                ReportFirstPosition(WindowRect(mainWindow_), outer.Width(), outer.Height(),
                                    MonitorWorkArea(mainWindow_));
            MoveWindowTo(Handle(), position);
            shownBefore_ = true;
        }
        ShowWindow(Handle(), restoreWhenShown_ ? SW_SHOWNORMAL : SW_SHOW);
        restoreWhenShown_ = false;
    }
    SetForegroundWindow(Handle());
    SetActiveWindow(Handle());
}

void ReportWindow::Toggle() {
    const HWND window = Handle();
    switch (DecideReportToggle(IsWindowVisible(window) != FALSE, IsIconic(window) != FALSE,
                               IsZoomed(window) != FALSE)) {
    case ReportToggle::Hide:
        ShowWindow(window, SW_HIDE);
        break;
    case ReportToggle::ShowInFront:
        ShowInFront();
        break;
    case ReportToggle::RestoreNormal:
        if (IsWindowVisible(window)) {
            ShowWindow(window, SW_RESTORE);
        } else {
            restoreWhenShown_ = true;
        }
        if (IsIconic(mainWindow_)) ShowWindow(mainWindow_, SW_RESTORE);
        break;
    }
}

LRESULT ReportWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        MoveWindow(memo_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(memo_);
        return 0;
    case WM_CLOSE:
        // Closing only hides: the report keeps its text until the next run.
        ShowWindow(Handle(), SW_HIDE);
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

} // namespace nordavel::win32

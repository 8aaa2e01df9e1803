#include "UiDriver.h"

#include <stdexcept>
#include <thread>

namespace nordavel::uitest {

std::wstring& ProgramPath() {
    static std::wstring path;
    return path;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return condition();
        std::this_thread::sleep_for(20ms);
    }
}

std::wstring Text(HWND window) {
    // WM_GETTEXT, not GetWindowText: only the message reads another process's controls.
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied);
    return text;
}

void SetText(HWND window, const std::wstring& text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRelativeRect(HWND main, HWND control) {
    RECT rect = ScreenRect(control);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    OffsetRect(&rect, -origin.x, -origin.y);
    return rect;
}

std::vector<HWND> TopLevelWindows(const wchar_t* className, DWORD processId) {
    struct Search {
        const wchar_t* className;
        DWORD processId;
        std::vector<HWND> found;
    } search{className, processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = L"";
            GetClassNameW(window, name, 64);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (lstrcmpW(name, s.className) == 0 && (s.processId == 0 || owner == s.processId))
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> VisibleDialogs(DWORD processId) {
    std::vector<HWND> visible;
    for (HWND dialog : TopLevelWindows(L"#32770", processId))
        if (IsWindowVisible(dialog)) visible.push_back(dialog);
    return visible;
}

namespace {

PROCESS_INFORMATION Start(const std::wstring& arguments, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(ProgramPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &process))
        throw std::runtime_error("cannot start Nordavel.exe");
    return process;
}

} // namespace

Program::Program(const std::wstring& arguments, const std::wstring& folder)
    : process_(Start(arguments, folder)) {
    WaitUntil([&] {
        const auto windows = TopLevelWindows(L"TFormMain", process_.dwProcessId);
        main_ = windows.empty() ? nullptr : windows.front();
        return main_ != nullptr && IsWindowVisible(main_);
    });
    if (!main_) throw std::runtime_error("Nordavel.exe showed no main window");
}

Program::~Program() {
    DWORD exitCode = 0;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
        // Close any box first, then the program; end it when it does not go.
        for (HWND dialog : VisibleDialogs(process_.dwProcessId))
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (!Close(exitCode)) TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND Program::Report() const {
    const auto windows = TopLevelWindows(L"TFormReport", process_.dwProcessId);
    return windows.empty() ? nullptr : windows.front();
}

void Program::Click(int id) const {
    SendMessageW(Control(id), BM_CLICK, 0, 0);
}

void Program::PostClick(int id) const {
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(id)));
}

void Program::ClickReportLabel() const {
    // What a click on the label sends (STN_CLICKED).
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(102, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(102)));
}

bool Program::Close(DWORD& exitCode) {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return WaitForExit(exitCode);
}

bool Program::WaitForExit(DWORD& exitCode, std::chrono::milliseconds limit) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    return true;
}

bool RunToEnd(const std::wstring& arguments, const std::wstring& folder, DWORD& exitCode) {
    const PROCESS_INFORMATION process = Start(arguments, folder);
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

} // namespace nordavel::uitest

#pragma once

// Drives a running Nordavel.exe from a second Windows process: finds its windows, reads and
// sets their texts, clicks, and waits for what should follow, polling with time limits.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace nordavel::uitest {

using namespace std::chrono_literals;

// Nordavel.exe's path, as given on the driver's command line.
std::wstring& ProgramPath();

// Polls `condition` until it holds or `limit` has passed; the result is the condition's last
// value.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

std::wstring Text(HWND window);
void SetText(HWND window, const std::wstring& text);
RECT ScreenRect(HWND window);
// A control's rectangle relative to the main window's client area.
RECT ClientRelativeRect(HWND main, HWND control);

// The top-level windows of a class that belong to a process (any process when 0).
std::vector<HWND> TopLevelWindows(const wchar_t* className, DWORD processId = 0);

// One running Nordavel.exe, ended with it.
class Program {
public:
    // Starts Nordavel.exe with `arguments` in `folder` and waits for its main window.
    Program(const std::wstring& arguments, const std::wstring& folder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND Main() const noexcept { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }
    HWND Report() const;
    DWORD ProcessId() const noexcept { return process_.dwProcessId; }
    std::wstring List() const { return Text(Control(105)); }

    // Clicks and waits until the click has been handled.
    void Click(int id) const;
    // Clicks without waiting, for a click that opens a modal box.
    void PostClick(int id) const;
    void ClickReportLabel() const;

    // Asks the program to close; true when it ended within the time limit, with `exitCode`.
    bool Close(DWORD& exitCode);
    bool WaitForExit(DWORD& exitCode, std::chrono::milliseconds limit = 10000ms);

private:
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Runs Nordavel.exe to its end (a second instance); true when it ended in time.
bool RunToEnd(const std::wstring& arguments, const std::wstring& folder, DWORD& exitCode);

// The dialog windows (#32770) of a process that are visible.
std::vector<HWND> VisibleDialogs(DWORD processId);

} // namespace nordavel::uitest

#pragma once

// Drives a running Nordavel.exe from a second Windows process: finds its windows, reads and
// sets their texts, clicks, and waits for what should follow, polling with time limits.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "../TestSupport.h"

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

// How a Nordavel.exe is started.
struct StartOptions {
    // The program's own folder, where its settings file lies by default; each test gets a copy
    // of Nordavel.exe of its own there. Empty: "program" inside the working folder.
    std::wstring programFolder;
    // Start this executable as it is instead of a copy.
    std::wstring executable;
    // Environment variables set for the program (APPDATA defaults to "appdata" inside the
    // working folder, so that no test touches the real per-user folder).
    std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// One running Nordavel.exe, ended with it.
class Program {
public:
    // Starts Nordavel.exe with `arguments` in `folder` and waits for its main window.
    Program(const std::wstring& arguments, const std::wstring& folder,
            const StartOptions& options = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND Main() const noexcept { return main_; }
    // The folder Nordavel.exe was started from.
    const std::wstring& ProgramFolder() const noexcept { return programFolder_; }
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
    // Ends the program at once, as the task manager or the end of a session would.
    void Kill();

private:
    std::wstring programFolder_;
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Starts Nordavel.exe in the current folder and leaves it running; true when it started.
bool Launch(const std::wstring& arguments, const StartOptions& options);

// Runs Nordavel.exe to its end (a second instance); true when it ended in time.
bool RunToEnd(const std::wstring& arguments, const std::wstring& folder,
              const StartOptions& options, DWORD& exitCode);

std::wstring ClassOf(HWND window);

// A descendant window by its identifier and class.
HWND DescendantWithId(HWND parent, int id, const wchar_t* className);

// The file-open dialog that a "Browse" click opens.
class OpenDialog {
public:
    explicit OpenDialog(const Program& program);

    HWND Handle() const noexcept { return dialog_; }
    int FilterEntries() const;
    int FilterEntry() const;
    void ChooseFilterEntry(int entry) const;
    // Types into the name box and presses Open; a folder name only opens the folder.
    void Open(const std::wstring& names) const;
    // Sent, not posted: the dialog has handled the press when this returns.
    void Press(int button) const;
    // Makes the program's name buffer this many characters long, through the record that Wine's
    // dialog keeps of the caller's OPENFILENAMEW; false where there is no such record.
    bool ShortenBuffer(DWORD characters) const;
    bool WaitClosed() const;

private:
    const Program& program_;
    HWND dialog_ = nullptr;
    HWND filter_ = nullptr;
    HWND nameBox_ = nullptr;
};

// A test folder's path as Windows calls take it.
inline std::wstring Folder(const test::TempDir& dir) {
    return dir.Path().wstring();
}

// The message of a message box: its longest static text.
std::wstring BoxMessage(HWND box);

// Whether a check box of the program is ticked.
bool Checked(const Program& program, int id);

// The visible dialog of a process, waited for.
HWND WaitForDialog(DWORD processId);

// A settings file's text (UTF-16 after its byte-order mark) as lines, empty ones left out.
std::vector<std::wstring> SettingsLines(const std::wstring& path);
std::string FileBytes(const std::wstring& path);

// The dialog windows (#32770) of a process that are visible.
std::vector<HWND> VisibleDialogs(DWORD processId);

} // namespace nordavel::uitest

// Nordavel.exe: start-up as the one instance of this logon, the two windows, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "desktop/AppText.h"
#include "platform/CodePage.h"
#include "platform/win32/WideText.h"
#include "ui/ErrorBox.h"
#include "ui/MainWindow.h"
#include "ui/ReportWindow.h"
#include "ui/Win32Util.h"
#include "ui/resource.h"

namespace {

using namespace nordavel;
using namespace nordavel::win32;

constexpr wchar_t kMutexName[] = L"MutexObjectForNordavel";

// The lock is the named mutex's existence, not its ownership; it lives as long as the first
// instance's process.
class SingleInstanceLock {
public:
    SingleInstanceLock() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName)) {
        // Creating first and asking afterwards closes the gap between two starts at once.
        alreadyRunning_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    ~SingleInstanceLock() {
        if (mutex_) ReleaseMutex(mutex_.get());
    }
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    bool AlreadyRunning() const noexcept { return alreadyRunning_; }

private:
    UniqueHandle mutex_;
    bool alreadyRunning_ = false;
};

void BringRunningInstanceToFront() {
    const std::wstring caption = Widen(MainCaption(VersionText(ExecutableFileVersionMs())));
    const HWND running = FindWindowW(L"TFormMain", caption.c_str());
    if (!running) return;
    // A minimised window brought to the front would stay on the taskbar: the user would see
    // nothing happen.
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
}

int RunMessageLoop(MainWindow& main) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (main.Handle() && main.TranslateDialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    try {
        const SingleInstanceLock lock;
        if (lock.AlreadyRunning()) {
            BringRunningInstanceToFront();
            return 0;
        }
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);

        const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_NORDAVEL));
        // The system's code page is fixed for the whole run.
        MainWindow main(instance, icon, CommandLineParameters(), CodePage::System());
        SetErrorBoxOwner(main.Handle());
        ReportWindow report(instance, icon, main.Handle());
        main.SetReport(report);
        main.Show(showCommand);
        return RunMessageLoop(main);
    } catch (...) {
        ShowCurrentException(nullptr);
        return 1;
    }
}

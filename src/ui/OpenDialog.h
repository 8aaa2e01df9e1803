#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nordavel::win32 {

// What a Browse chose: the files, the filter entry in use and the folder to start in next time.
struct OpenDialogChoice {
    std::vector<std::string> paths;
    DWORD filterIndex = 1;
    std::string folder;
};

// Browse's file-open dialog. The system would put it wherever it likes: while it is open its
// window procedure is replaced, and its first three position changes centre it over the owner
// inside the work area of the owner's monitor.
class OpenDialog {
public:
    explicit OpenDialog(HWND owner) noexcept : owner_(owner) {}
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    // Nothing when the user cancels, or when the selection does not fit its buffer, which the
    // user is told.
    std::optional<OpenDialogChoice> Show(DWORD filterIndex, const std::string& folder);

private:
    // The dialog window's procedure replaced by Procedure, with this object kept on the window;
    // both undone when it ends, whichever way the dialog ends.
    class ReplacedProcedure {
    public:
        ReplacedProcedure(HWND dialog, OpenDialog& owner) noexcept;
        ~ReplacedProcedure();
        ReplacedProcedure(const ReplacedProcedure&) = delete;
        ReplacedProcedure& operator=(const ReplacedProcedure&) = delete;
        HWND Dialog() const noexcept { return dialog_; }
        WNDPROC Previous() const noexcept { return previous_; }

    private:
        HWND dialog_;
        WNDPROC previous_;
    };

    static UINT_PTR CALLBACK Hook(HWND hookDialog, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept;
    static LRESULT CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    void Shown(HWND hookDialog);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    std::optional<ReplacedProcedure> replaced_;
    std::uint8_t centredMovesLeft_ = 0;
};

} // namespace nordavel::win32

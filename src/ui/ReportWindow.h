#pragma once

#include <windows.h>

#include "conversion/ConversionReport.h"
#include "ui/Win32Util.h"
#include "ui/Window.h"

namespace nordavel::win32 {

// The report window, whose text box holds the report's lines, each ending in CR LF. Hidden at
// start; closing it only hides it. Something gone wrong shows it.
class ReportWindow final : public Window, public ReportLines {
public:
    ReportWindow(HINSTANCE instance, HICON icon, HWND mainWindow);

    void RunBegun() override;

    // The "Report" label's toggle.
    void Toggle();

    // While a batch runs nothing can be seen of the report until it reveals or the run ends,
    // so lines are collected and handed to the text box in one piece: appending to a long text
    // line by line takes the edit control quadratic time.
    class Batch {
    public:
        explicit Batch(ReportWindow& report) noexcept : report_(report) { ++report_.batches_; }
        ~Batch() {
            if (--report_.batches_ == 0) report_.FlushPending();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ReportWindow& report_;
    };

    void SetFont(HFONT font);

private:
    void Line(std::string_view text) override;
    void Reveal() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ShowInFront();
    void FlushPending() noexcept;

    HWND mainWindow_;
    HWND memo_ = nullptr;
    UniqueFont font_;
    bool shownBefore_ = false;
    // Set when the window was made normal while hidden and minimized: it shows restored.
    bool restoreWhenShown_ = false;
    int batches_ = 0;
    std::wstring pending_;
};

} // namespace nordavel::win32

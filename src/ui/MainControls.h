#pragma once

#include <windows.h>

#include "conversion/CsvOptions.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

// The main window's controls as the window was designed: where each lies, its text and its hint,
// the order the Tab key takes them in; the five option boxes read and set as TCsvOptions.
class MainControls {
public:
    // Creates them in `window`, in MS Gothic until the settings name a font; the boxes ticked as
    // TCsvOptions starts (Index, Date+Time and S/N,E/W).
    void Create(HWND window, HINSTANCE instance);

    HWND FileList() const noexcept { return fileList_; }
    HWND ReportLabel() const noexcept { return reportLabel_; }
    TCsvOptions Options() const;
    void SetOptions(const TCsvOptions& options);
    // Every control takes the font, which is kept until the next one replaces it.
    void SetFont(HFONT font);

private:
    void AddHint(HWND control, const wchar_t* text);

    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND fileList_ = nullptr;
    HWND reportLabel_ = nullptr;
    UniqueFont font_;
};

} // namespace nordavel::win32

#pragma once

#include <windows.h>

#include "conversion/CsvOptions.h"
#include "conversion/TrackLayout.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

struct ControlLayout;

// The main window's controls as the window was designed: where each lies, its text and its hint,
// the order the Tab key takes them in; the five option boxes read and set as CsvOptions, and the
// output's row below them.
class MainControls {
public:
    // Creates them in `window`, in MS Gothic until the settings name a font; the boxes ticked as
    // CsvOptions starts (Index, Date+Time and S/N,E/W).
    void Create(HWND window, HINSTANCE instance);

    HWND FileList() const noexcept { return fileList_; }
    HWND ReportLabel() const noexcept { return reportLabel_; }
    HWND ZoneBox() const noexcept { return zoneBox_; }
    CsvOptions Options() const;
    void SetOptions(const CsvOptions& options);
    OutputFormat Format() const;
    // Chooses the output: the option boxes serve CSV, the time zone GPX, and the other's
    // controls are disabled.
    void SetFormat(OutputFormat format);
    // Every control takes the font, which is kept until the next one replaces it.
    void SetFont(HFONT font);

private:
    void CreateControl(const ControlLayout& layout, HINSTANCE instance);
    void AddHint(HWND control, std::string_view hint);

    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND fileList_ = nullptr;
    HWND reportLabel_ = nullptr;
    HWND zoneBox_ = nullptr;
    UniqueFont font_;
};

} // namespace nordavel::win32

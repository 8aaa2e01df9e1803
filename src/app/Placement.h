#pragma once

// Where windows go: the arithmetic of the desktop program's window placement, apart from the
// windows so that it can be tested anywhere.
namespace nordavel {

// A rectangle in screen pixels; right and bottom lie just outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr int Width() const noexcept { return right - left; }
    constexpr int Height() const noexcept { return bottom - top; }
    constexpr bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
    constexpr bool operator==(const Point&) const = default;
};

// The top-left corner that centres a window of `width` x `height` over `over` (halves dropping
// the remainder toward zero).
Point CentredOver(const Rect& over, int width, int height) noexcept;

// The report window's first position: centred over the main window, but not further left than,
// nor above, the work area of the main window's monitor.
Point ReportFirstPosition(const Rect& mainWindow, int width, int height,
                          const Rect& workArea) noexcept;

// What a click on the "Report" label does with the report window.
enum class ReportToggle {
    Hide,          // visible in its normal state
    ShowInFront,   // hidden, or visible and maximized
    RestoreNormal, // minimized
};
ReportToggle DecideReportToggle(bool visible, bool minimized, bool maximized) noexcept;

} // namespace nordavel

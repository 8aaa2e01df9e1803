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

// The "no position stored" value of a stored top or left edge.
inline constexpr int kNoPosition = 2147483647;

// The main window's position from a stored top and left edge (kNoPosition: none stored). With
// none, the window is centred in `currentWorkArea` (the work area of its monitor now);
// otherwise `workAreaAt` gives the work area of the monitor nearest to the stored position.
// The result is then kept inside that work area, in an order that leaves a window too wide for
// it at its right edge and one too tall at its top edge.
struct WindowSize {
    int width = 0;
    int height = 0;
};
Point FitToWorkArea(int top, int left, WindowSize window, const Rect& currentWorkArea,
                    const Rect& workAreaAtStoredPosition) noexcept;

// Where the file-open dialog goes while it is redirected: centred over the main window, then
// kept inside the work area of the main window's monitor, top and left first, so that a dialog
// too large for it ends at the work area's bottom and right edges.
Point DialogPosition(const Rect& mainWindow, const Rect& dialog, const Rect& workArea) noexcept;

// What a click on the "Report" label does with the report window.
enum class ReportToggle {
    Hide,          // visible in its normal state
    ShowInFront,   // hidden, or visible and maximized
    RestoreNormal, // minimized
};
ReportToggle DecideReportToggle(bool visible, bool minimized, bool maximized) noexcept;

} // namespace nordavel

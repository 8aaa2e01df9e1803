#include "desktop/Placement.h"

namespace nordavel {

Point CentredOver(const Rect& over, int width, int height) noexcept {
    return Point{over.left + (over.Width() - width) / 2, over.top + (over.Height() - height) / 2};
}

Point ReportFirstPosition(const Rect& mainWindow, int width, int height,
                          const Rect& workArea) noexcept {
    Point position = CentredOver(mainWindow, width, height);
    if (position.x < workArea.left) position.x = workArea.left;
    if (position.y < workArea.top) position.y = workArea.top;
    return position;
}

Point FitToWorkArea(int top, int left, WindowSize window, const Rect& currentWorkArea,
                    const Rect& workAreaAtStoredPosition) noexcept {
    Rect area = workAreaAtStoredPosition;
    if (top == kNoPosition || left == kNoPosition) {
        area = currentWorkArea;
        top = area.top + (area.Height() - window.height) / 2;
        left = area.left + (area.Width() - window.width) / 2;
    }
    if (left < area.left) left = area.left;
    if (top > area.bottom - window.height) top = area.bottom - window.height;
    if (left > area.right - window.width) left = area.right - window.width;
    if (top < area.top) top = area.top;
    return Point{left, top};
}

Point DialogPosition(const Rect& mainWindow, const Rect& dialog, const Rect& workArea) noexcept {
    Point position = CentredOver(mainWindow, dialog.Width(), dialog.Height());
    if (position.y < workArea.top) position.y = workArea.top;
    if (position.y > workArea.bottom - dialog.Height())
        position.y = workArea.bottom - dialog.Height();
    if (position.x < workArea.left) position.x = workArea.left;
    if (position.x > workArea.right - dialog.Width()) position.x = workArea.right - dialog.Width();
    return position;
}

ReportToggle DecideReportToggle(bool visible, bool minimized, bool maximized) noexcept {
    if (visible && !minimized && !maximized) return ReportToggle::Hide;
    if (!minimized) return ReportToggle::ShowInFront;
    return ReportToggle::RestoreNormal;
}

} // namespace nordavel

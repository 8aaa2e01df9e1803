#include "app/Placement.h"

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

ReportToggle DecideReportToggle(bool visible, bool minimized, bool maximized) noexcept {
    if (visible && !minimized && !maximized) return ReportToggle::Hide;
    if (!minimized) return ReportToggle::ShowInFront;
    return ReportToggle::RestoreNormal;
}

} // namespace nordavel

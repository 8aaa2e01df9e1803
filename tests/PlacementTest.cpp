// Window placement arithmetic: centring, the report's first position, the main window fitted to
// its work area, the file-open dialog's position, the report toggle.
#include <gtest/gtest.h>

#include "desktop/Placement.h"

namespace nordavel {
namespace {

TEST(Placement, CentringDropsRemaindersTowardZero) {
    EXPECT_EQ(CentredOver(Rect{100, 100, 575, 361}, 541, 314), (Point{67, 74}));
    EXPECT_EQ(CentredOver(Rect{0, 0, 10, 10}, 3, 3), (Point{3, 3}));
    // A wider window: (10 - 15) / 2 is -2, not -3.
    EXPECT_EQ(CentredOver(Rect{0, 0, 10, 10}, 15, 15), (Point{-2, -2}));
}

TEST(Placement, ReportFirstPositionStaysRightOfAndBelowTheWorkAreasCorner) {
    const Rect work{0, 0, 1280, 984};
    // Centred when it fits.
    EXPECT_EQ(ReportFirstPosition(Rect{400, 300, 874, 560}, 541, 314, work), (Point{367, 273}));
    // Not further left or higher than the work area.
    EXPECT_EQ(ReportFirstPosition(Rect{0, 0, 474, 260}, 541, 314, work), (Point{0, 0}));
    // Right and bottom are not clamped.
    EXPECT_EQ(ReportFirstPosition(Rect{1000, 900, 1474, 1160}, 541, 314, work), (Point{967, 873}));
    // On a second monitor left of the primary one.
    EXPECT_EQ(ReportFirstPosition(Rect{-1900, 10, -1426, 270}, 541, 314, Rect{-1920, 0, 0, 1080}),
              (Point{-1920, 0}));
}

TEST(Placement, FitToWorkArea) {
    const Rect work{0, 0, 1280, 984};
    const WindowSize window{474, 260};
    // Nothing stored: centred in the work area it is on now.
    EXPECT_EQ(FitToWorkArea(kNoPosition, 100, window, work, Rect{}), (Point{403, 362}));
    EXPECT_EQ(FitToWorkArea(100, kNoPosition, window, work, Rect{}), (Point{403, 362}));
    // Stored and inside: kept.
    EXPECT_EQ(FitToWorkArea(50, 60, window, work, work), (Point{60, 50}));
    // On no monitor: pulled inside the nearest one's work area.
    EXPECT_EQ(FitToWorkArea(5000, -3000, window, work, work), (Point{0, 724}));
    EXPECT_EQ(FitToWorkArea(-40, 2000, window, work, work), (Point{806, 0}));
    // Larger than the work area: right edge on its right, top edge on its top.
    const Rect small{0, 0, 400, 200};
    EXPECT_EQ(FitToWorkArea(10, 10, window, small, small), (Point{-74, 0}));
    // The monitor nearest to the stored position decides, not the current one.
    const Rect second{1280, 0, 2560, 1024};
    EXPECT_EQ(FitToWorkArea(900, 2500, window, work, second), (Point{2086, 764}));
}

TEST(Placement, OpenDialogPosition) {
    const Rect work{0, 0, 1280, 984};
    const Rect dialog{0, 0, 600, 400};
    // Centred over the main window.
    EXPECT_EQ(DialogPosition(Rect{400, 300, 874, 560}, dialog, work), (Point{337, 230}));
    // Near the bottom: its bottom edge on the work area's, still centred across.
    EXPECT_EQ(DialogPosition(Rect{400, 800, 874, 1060}, dialog, work), (Point{337, 584}));
    // Near the left edge.
    EXPECT_EQ(DialogPosition(Rect{0, 300, 474, 560}, dialog, work), (Point{0, 230}));
    // Larger than the work area: ends at its bottom and right edges.
    EXPECT_EQ(DialogPosition(Rect{0, 0, 474, 260}, Rect{0, 0, 1400, 1100}, work),
              (Point{-120, -116}));
    // The work area of a monitor left of the primary one.
    EXPECT_EQ(DialogPosition(Rect{-1800, 10, -1326, 270}, dialog, Rect{-1920, 0, 0, 1080}),
              (Point{-1863, 0}));
}

TEST(Placement, ReportToggleDecision) {
    EXPECT_EQ(DecideReportToggle(true, false, false), ReportToggle::Hide);
    EXPECT_EQ(DecideReportToggle(false, false, false), ReportToggle::ShowInFront);
    EXPECT_EQ(DecideReportToggle(true, false, true), ReportToggle::ShowInFront);
    EXPECT_EQ(DecideReportToggle(true, true, false), ReportToggle::RestoreNormal);
    EXPECT_EQ(DecideReportToggle(false, true, false), ReportToggle::RestoreNormal);
}

} // namespace
} // namespace nordavel

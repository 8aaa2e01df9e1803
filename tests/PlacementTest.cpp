// Window placement arithmetic: centring, the report's first position, the report toggle.
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

TEST(Placement, ReportToggleDecision) {
    EXPECT_EQ(DecideReportToggle(true, false, false), ReportToggle::Hide);
    EXPECT_EQ(DecideReportToggle(false, false, false), ReportToggle::ShowInFront);
    EXPECT_EQ(DecideReportToggle(true, false, true), ReportToggle::ShowInFront);
    EXPECT_EQ(DecideReportToggle(true, true, false), ReportToggle::RestoreNormal);
    EXPECT_EQ(DecideReportToggle(false, true, false), ReportToggle::RestoreNormal);
}

} // namespace
} // namespace nordavel

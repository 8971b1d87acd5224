#include "app/exit_dialog_layout.h"

#include <gtest/gtest.h>

namespace ks::app {
namespace {

struct LayoutCase {
    int dpi;
    int width;
    int height;
    ExitDialogLayout expected;
};

TEST(ExitDialogLayoutTest, PlacesControlsAtEachDpi) {
    const LayoutCase cases[] = {
        {96,
         480,
         250,
         {{110, 30, 342, 24},
          {110, 61, 342, 34},
          {110, 109, 342, 56},
          {216, 194, 112, 36},
          {340, 194, 112, 36},
          {0, 0, 480, 3},
          {28, 36, 64, 64}}},
        {144,
         720,
         375,
         {{165, 45, 513, 36},
          {165, 92, 513, 51},
          {165, 164, 513, 84},
          {324, 291, 168, 54},
          {510, 291, 168, 54},
          {0, 0, 720, 5},
          {42, 54, 96, 96}}},
        // 125 %: the text width comes from the width in DIP, 600 px -> 480 DIP.
        {120,
         600,
         313,
         {{138, 38, 428, 30},
          {138, 76, 428, 43},
          {138, 136, 428, 70},
          {270, 243, 140, 45},
          {425, 243, 140, 45},
          {0, 0, 600, 4},
          {35, 45, 80, 80}}},
    };
    for (const auto& c : cases) {
        const ExitDialogLayout layout = layoutExitDialog(c.width, c.height, c.dpi);
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(layout.title, c.expected.title);
        EXPECT_EQ(layout.heading, c.expected.heading);
        EXPECT_EQ(layout.body, c.expected.body);
        EXPECT_EQ(layout.keepRunning, c.expected.keepRunning);
        EXPECT_EQ(layout.exit, c.expected.exit);
        EXPECT_EQ(layout.accentBar, c.expected.accentBar);
        EXPECT_EQ(layout.icon, c.expected.icon);
    }
}

TEST(ExitDialogLayoutTest, ButtonsFollowTheBottomRightCornerOfALargerClientArea) {
    const ExitDialogLayout layout = layoutExitDialog(600, 300, 96);
    EXPECT_EQ(layout.exit, (LayoutRect{460, 244, 112, 36}));
    EXPECT_EQ(layout.keepRunning, (LayoutRect{336, 244, 112, 36}));
    EXPECT_EQ(layout.title.width, 462);
}

TEST(ExitDialogLayoutTest, FontHeightsScaleWithDpi) {
    const auto at96 = exitDialogFontHeights(96);
    EXPECT_EQ(at96.regular, -16);
    EXPECT_EQ(at96.heading, -22);
    EXPECT_EQ(at96.title, -16);
    const auto at144 = exitDialogFontHeights(144);
    EXPECT_EQ(at144.regular, -24);
    EXPECT_EQ(at144.heading, -33);
    EXPECT_EQ(at144.title, -24);
}

TEST(ExitDialogLayoutTest, CentresInTheWorkAreaWithIntegerDivision) {
    EXPECT_EQ(centreInWorkArea({0, 0, 1280, 770}, 500, 300), (LayoutRect{390, 235, 500, 300}));
    EXPECT_EQ(centreInWorkArea({100, 50, 1001, 501}, 500, 300), (LayoutRect{350, 150, 500, 300}));
    // A window larger than the work area still centres (and starts before it).
    EXPECT_EQ(centreInWorkArea({0, 0, 400, 300}, 500, 300), (LayoutRect{-50, 0, 500, 300}));
}

TEST(ExitDialogLayoutTest, DefaultButtonFollowsTheFocus) {
    EXPECT_EQ(defaultButtonFor(kExitButtonId), kExitButtonId);
    EXPECT_EQ(defaultButtonFor(kKeepRunningButtonId), kKeepRunningButtonId);
    EXPECT_EQ(defaultButtonFor(1103), kKeepRunningButtonId);
    EXPECT_EQ(defaultButtonFor(0), kKeepRunningButtonId);  // nothing focused
}

}  // namespace
}  // namespace ks::app

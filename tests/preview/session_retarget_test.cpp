#include "preview/session_retarget.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ks::preview {
namespace {

using platform::PrinterCapabilities;
using platform::Resolution;

// A session at 300 dpi with 5 mm margins and a 12-dot calibration offset.
PreviewSessionState sessionAt300() {
    PreviewSessionState state;
    raster::RasterPage page;
    page.width = 2;
    page.height = 1;
    page.pixels = std::make_shared<const protocol::ByteBuffer>(8);
    state.job.pages = std::make_shared<const std::vector<raster::RasterPage>>(std::vector<raster::RasterPage>{page});
    state.settings.dpiX = state.settings.dpiY = 300;
    state.settings.marginLeftMm = state.settings.marginTopMm = 5;
    auto& ticket = state.job.ticket;
    ticket.printerId = "old";
    ticket.dpiX = ticket.dpiY = 300;
    ticket.marginLeft = ticket.marginTop = 59;
    ticket.offsetX = 12;
    return state;
}

PrinterCapabilities printer(Resolution current, std::vector<Resolution> listed) {
    PrinterCapabilities record;
    record.printerId = "new";
    record.capabilityHash = "hash";
    record.dpiX = current.dpiX;
    record.dpiY = current.dpiY;
    record.resolutions = std::move(listed);
    return record;
}

TEST(SessionRetargetTest, ChoosesTheResolutionAndConvertsMarginsAndOffsets) {
    const struct {
        PrinterCapabilities target;
        Resolution expected;
    } cases[] = {
        {printer({600, 600}, {{600, 600}, {300, 300}}), {300, 300}},  // the session's own, still offered
        {printer({600, 600}, {{203, 203}, {600, 600}}), {600, 600}},  // else the printer's current one
        {printer({600, 600}, {{203, 203}, {406, 406}}), {203, 203}},  // else the first offered
        {printer({203, 203}, {}), {203, 203}},                        // no list: the current one
    };
    for (const auto& c : cases) {
        PreviewSessionState state = sessionAt300();
        ASSERT_TRUE(retargetSession(state, c.target));
        EXPECT_EQ((Resolution{state.job.ticket.dpiX, state.job.ticket.dpiY}), c.expected);
        EXPECT_EQ((Resolution{state.settings.dpiX, state.settings.dpiY}), c.expected);
        EXPECT_EQ(state.job.ticket.printerId, "new");
        EXPECT_EQ(state.job.ticket.capabilityHash, "hash");
        ASSERT_TRUE(state.targetPrinter);
        if (c.expected.dpiX == 203) {
            EXPECT_EQ(state.job.ticket.marginLeft, 40u);  // 5 mm at 203 dpi
            EXPECT_EQ(state.job.ticket.offsetX, 8);       // round(12 × 203 / 300)
        } else if (c.expected.dpiX == 600) {
            EXPECT_EQ(state.job.ticket.marginTop, 118u);
            EXPECT_EQ(state.job.ticket.offsetX, 24);
        }
    }
}

TEST(SessionRetargetTest, RefusalsLeaveTheSessionAsItWas) {
    const PreviewSessionState before = sessionAt300();
    PreviewSessionState state = before;
    EXPECT_EQ(retargetSession(state, printer({0, 0}, {})).error(), Error("KSR-2007", L"目标打印机没有可用分辨率"));

    // A page buffer of the wrong size fails the check after the printer was
    // taken in: nothing of it stays.
    raster::RasterPage broken = state.job.pages->front();
    broken.pixels = std::make_shared<const protocol::ByteBuffer>(4);
    state.job.pages = std::make_shared<const std::vector<raster::RasterPage>>(std::vector<raster::RasterPage>{broken});
    EXPECT_EQ(retargetSession(state, printer({600, 600}, {})).error(),
              Error("KSR-2007", L"打印机能力或页面尺寸已变化，请重新生成页面"));
    EXPECT_EQ(state.job.ticket.printerId, "old");
    EXPECT_EQ(state.job.ticket.dpiX, 300u);
    EXPECT_FALSE(state.targetPrinter);
}

}  // namespace
}  // namespace ks::preview

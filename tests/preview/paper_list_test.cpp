#include "preview/paper_list.h"

#include <gtest/gtest.h>

#include "preview/resolution_choices.h"

namespace ks::preview {
namespace {

platform::PaperSize driverPaper(std::uint32_t widthUm, std::uint32_t heightUm) {
    platform::PaperSize paper;
    paper.widthMicrometers = widthUm;
    paper.heightMicrometers = heightUm;
    return paper;
}

TEST(PaperList, WithoutDriverPapersListsThePresetsInOrder) {
    const std::vector<PaperEntry> papers = buildPaperList({});
    ASSERT_EQ(papers.size(), 24u);
    EXPECT_EQ(papers.front().label, L"A4（210 × 297 mm）");
    EXPECT_EQ(papers[4].label, L"4 × 6 英寸 / 物流标签（101.6 × 152.4 mm）");
    EXPECT_DOUBLE_EQ(papers[15].widthMm, 57.15);
    EXPECT_DOUBLE_EQ(papers[15].heightMm, 101.6);
    EXPECT_EQ(papers.back().label, L"标签（25 × 15 mm）");
}

TEST(PaperList, DriverPapersComeFirstAndHideEqualPresetsEitherWayRound) {
    for (const auto& a4 : {driverPaper(210000, 297000), driverPaper(297000, 210000), driverPaper(210040, 296960)}) {
        const std::vector<PaperEntry> papers = buildPaperList({a4, driverPaper(62000, 29000)});
        ASSERT_EQ(papers.size(), 25u);
        EXPECT_EQ(papers[1].label, L"62.0 × 29.0 mm（驱动）");
        EXPECT_EQ(papers[2].label, L"A5（148 × 210 mm）");  // A4 hidden
    }
    EXPECT_EQ(buildPaperList({driverPaper(210000, 297000)}).front().label, L"210.0 × 297.0 mm（驱动）");
    // 0.05 mm apart is another paper.
    EXPECT_EQ(buildPaperList({driverPaper(210050, 297000)}).size(), 25u);
    // A driver listing one size twice shows it once.
    EXPECT_EQ(buildPaperList({driverPaper(62000, 29000), driverPaper(29000, 62000)}).size(), 25u);
}

TEST(PaperList, FindsTheCurrentPaperOnlyInTheSameOrientation) {
    const std::vector<PaperEntry> papers = buildPaperList({});
    EXPECT_EQ(findPaperEntry(papers, 210.04, 296.96), 0u);
    EXPECT_EQ(findPaperEntry(papers, 297, 210), std::nullopt);
    EXPECT_EQ(findPaperEntry(papers, 100, 80), 7u);
    EXPECT_EQ(findPaperEntry(papers, 100, 80.06), std::nullopt);
}

TEST(ResolutionChoices, AnUnlistedCurrentResolutionIsAddedAndSelected) {
    const ResolutionChoices choices = resolutionChoices({{300, 300}, {600, 600}}, {600, 300});
    EXPECT_EQ(choices.resolutions, (std::vector<platform::Resolution>{{300, 300}, {600, 600}, {600, 300}}));
    EXPECT_EQ(choices.selected, 2u);
    EXPECT_EQ(resolutionLabel(choices.resolutions[2]), L"600 × 300 DPI");
    EXPECT_EQ(resolutionChoices({}, {203, 203}).resolutions, (std::vector<platform::Resolution>{{203, 203}}));
}

}  // namespace
}  // namespace ks::preview

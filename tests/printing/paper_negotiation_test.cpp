#include "printing/paper_negotiation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "printing/mm_to_dots.h"

namespace ks::printing {
namespace {

using platform::PaperSize;

TEST(MmToDotsTest, RoundsToNearestDotAndRefusesWhatIsNoScale) {
    EXPECT_EQ(mmToDots(50.0, 203), 400);  // 399.6
    EXPECT_EQ(mmToDots(25.4, 300), 300);
    EXPECT_EQ(mmToDots(0.0, 300), 0);
    EXPECT_EQ(mmToDots(209.9, 300), 2479);
    for (const auto& [mm, dpi] : std::vector<std::pair<double, std::uint32_t>>{
             {-0.1, 300}, {10.0, 0}, {NAN, 300}, {INFINITY, 300}}) {
        try {
            static_cast<void>(mmToDots(mm, dpi));
            ADD_FAILURE() << mm << " mm at " << dpi << " dpi converted";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "millimeters and dpi must describe a finite positive scale");
        }
    }
    // 2,147,483,647 dots at 300 dpi is about 181.8 km.
    EXPECT_THROW(
        {
            try {
                static_cast<void>(mmToDots(182'000'000.0, 300));
            } catch (const std::overflow_error& error) {
                EXPECT_STREQ(error.what(), "device dot count exceeds int32 range");
                throw;
            }
        },
        std::overflow_error);
}

// What a label printer might list; ids are DMPAPER-like numbers.
const std::vector<PaperSize> kLabelPapers{
    {9, 210000, 297000, false},   // A4
    {301, 100000, 150000, false},  // 100 × 150
    {302, 50000, 30000, false},    // 50 × 30, listed wide
};

TEST(PaperNegotiationTest, StandardPaperMatchesUprightOrTurnedWithinTolerance) {
    struct Case {
        double width, height;
        bool landscape;
        std::optional<std::uint16_t> paper;
        bool askLandscape;
    };
    const Case cases[] = {
        {100.0, 150.0, false, 301, false},
        {100.05, 149.95, false, 301, false},  // 0.05 mm off on each side still matches
        {100.06, 150.0, false, std::nullopt, false},
        {30.0, 50.0, false, 302, true},  // only listed turned: asked for landscape
        {297.0, 210.0, true, 9, true},   // A4 landscape as the preview sends it
        {297.0, 210.0, false, 9, true},  // the same page from a client that left the orientation portrait
        {60.0, 40.0, false, std::nullopt, false},
    };
    for (const auto& c : cases) {
        const auto choice = matchStandardPaper(kLabelPapers, {c.width, c.height, c.landscape});
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ASSERT_EQ(choice.has_value(), c.paper.has_value());
        if (!choice) continue;
        EXPECT_EQ(choice->paperId, *c.paper);
        EXPECT_EQ(choice->landscape, c.askLandscape);
    }
}

TEST(PaperNegotiationTest, EqualDeviationsPreferThePaperListedForTheRequestedOrientation) {
    const std::vector<PaperSize> papers{{20, 100000, 150000, false}, {21, 100000, 150000, true},
                                        {22, 100000, 150000, false}};
    EXPECT_EQ(matchStandardPaper(papers, {100.0, 150.0, true})->paperId, 21);
    EXPECT_EQ(matchStandardPaper(papers, {100.0, 150.0, false})->paperId, 20);
    // A smaller deviation beats the orientation flag; numbers a DEVMODE cannot
    // hold are never chosen.
    const std::vector<PaperSize> closer{{20, 100040, 150000, true}, {21, 100000, 150000, false},
                                        {40000, 100000, 150000, true}};
    EXPECT_EQ(matchStandardPaper(closer, {100.0, 150.0, true})->paperId, 21);
}

TEST(PaperNegotiationTest, FallbackHoldsMostOfThePageThenTheSmallerPaper) {
    // 100 × 150 fits whole on A4 and on 150 × 100 turned: the smaller wins,
    // turned, so it is asked for in landscape.
    const std::vector<PaperSize> papers{{9, 210000, 297000, false}, {300, 150000, 100000, false},
                                        {302, 50000, 30000, false}};
    auto choice = chooseFallbackPaper(papers, {100.0, 150.0, false});
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->paperId, 300);
    EXPECT_TRUE(choice->landscape);
    // Nothing holds 400 × 600: A4 holds the largest share, upright.
    choice = chooseFallbackPaper(papers, {400.0, 600.0, true});
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->paperId, 9);
    EXPECT_FALSE(choice->landscape);
    // A square paper is either way round: the ticket decides.
    EXPECT_TRUE(chooseFallbackPaper({{7, 80000, 80000, false}}, {100.0, 150.0, true})->landscape);
    EXPECT_FALSE(chooseFallbackPaper({}, {100.0, 150.0, false}));
}

TEST(PaperNegotiationTest, ExactSizesKeepThePageShape) {
    EXPECT_FALSE(landscapeForExactSize({150.0, 100.0, true}));
    EXPECT_FALSE(landscapeForExactSize({100.0, 150.0, false}));
    EXPECT_TRUE(landscapeForExactSize({80.0, 80.0, true}));
}

TEST(PaperNegotiationTest, FormNameAndWarningTexts) {
    EXPECT_EQ(customFormName(500, 300), L"KSRN_500x300");
    EXPECT_EQ(substitutedPaperWarning(210.0, 297.0, 1.0),
              L"请求纸张与实际纸张不一致，已使用打印机纸张 210.0 × 297.0 mm；标签保持原尺寸，从可打印区域左上角打印。");
    EXPECT_EQ(substitutedPaperWarning(100.0, 149.96, 0.5),
              L"请求纸张与实际纸张不一致，已使用打印机纸张 100.0 × 150.0 mm；标签已缩小至 50%，从可打印区域左上角打印。");
    EXPECT_EQ(substitutedPaperWarning(100.0, 150.0, 0.9995).find(L"保持原尺寸") != std::wstring::npos, true);
}

}  // namespace
}  // namespace ks::printing

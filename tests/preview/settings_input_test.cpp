#include "preview/settings_input.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::preview {
namespace {

std::string shown(const wchar_t* text) { return testing::PrintToString(std::wstring(text)); }

TEST(CustomPaperSize, AcceptsTheUsualWaysOfTypingASize) {
    const struct {
        const wchar_t* text;
        PaperSizeMm expected;
    } cases[] = {
        {L"100x80", {100, 80}},
        {L"100 × 80 mm", {100, 80}},
        {L"100*80MM", {100, 80}},
        {L"\t101.6 X 152.4\t", {101.6, 152.4}},
        {L"57.15×25.4m", {57.15, 25.4}},
        {L"100 x 80 mM  ", {100, 80}},
        {L".5x1.", {0.5, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseCustomPaperSize(c.text), c.expected) << shown(c.text);
}

TEST(CustomPaperSize, RefusesOtherUnitsSignsAndIncompleteSizes) {
    for (const wchar_t* text :
         {L"100 × 80 cm", L"100",    L"100 ×",   L"× 80",      L"0x80",    L"100x0",      L"-100x80",
          L"+100x80",     L"1e2x80", L"infx80",  L"nanx80",    L"0x10x80", L"100x80 mmm", L"100x80 mm x",
          L"100,5x80",    L"100 80", L"100xx80", L"１００x80", L".x80",    L"",           L"1.2.3x80"}) {
        EXPECT_EQ(parseCustomPaperSize(text), std::nullopt) << shown(text);
    }
    // Digits enough to overflow a double give infinity, which is no size.
    EXPECT_EQ(parseCustomPaperSize(std::wstring(400, L'9') + L"x80"), std::nullopt);
}

TEST(MarginInput, TakesOnlyAWholeNonNegativeDecimal) {
    EXPECT_EQ(parseMargin(L"0"), 0.0);
    EXPECT_EQ(parseMargin(L"5.25"), 5.25);
    EXPECT_EQ(parseMargin(L"105.00"), 105.0);
    for (const wchar_t* text :
         {L"", L"-1", L"-0", L"5mm", L" 5", L"5 ", L"1e3", L"inf", L"nan", L"0x10", L".", L"5,5"}) {
        EXPECT_EQ(parseMargin(text), std::nullopt) << shown(text);
    }
    EXPECT_EQ(parseMargin(std::wstring(400, L'9')), std::nullopt);
}

TEST(PaperOrientation, PortraitIsUprightAndLandscapeLying) {
    EXPECT_EQ(orientPaper({297, 210}, false), (PaperSizeMm{210, 297}));
    EXPECT_EQ(orientPaper({297, 210}, true), (PaperSizeMm{297, 210}));
    EXPECT_EQ(orientPaper({210, 297}, true), (PaperSizeMm{297, 210}));
    EXPECT_EQ(orientPaper({100, 100}, true), (PaperSizeMm{100, 100}));
}

}  // namespace
}  // namespace ks::preview

#include "preview/page_selection.h"

#include <gtest/gtest.h>

namespace ks::preview {
namespace {

using Pages = std::vector<std::uint64_t>;

TEST(PageRange, OverlappingPartsGiveEachPageOnceInOrder) {
    EXPECT_EQ(parsePageRange(L"2-4,1,3", 5), (Pages{0, 1, 2, 3}));
    EXPECT_EQ(parsePageRange(L" 5 ,\t1 - 2 ", 5), (Pages{0, 1, 4}));
    EXPECT_EQ(parsePageRange(L"3-3", 5), (Pages{2}));
}

TEST(PageRange, AnyInvalidPartEmptiesTheWholeSelection) {
    for (const wchar_t* text : {L"", L"1,2,", L"0-2", L"3-2", L"1-9", L"1,,2", L"6", L"-2", L"2-", L"1-2-3", L"+1",
                                L"1 2", L"a", L"1,x", L"18446744073709551616", L"１"}) {
        EXPECT_EQ(parsePageRange(text, 5), Pages{}) << testing::PrintToString(std::wstring(text));
    }
}

TEST(PageSelection, ModesChooseAllSelectedOrRangedPages) {
    PreviewSettings settings;
    EXPECT_EQ(selectPages(settings, 3), (Pages{0, 1, 2}));
    settings.pageSelectionMode = 1;
    settings.selectedPages = {4, 2, 0, 2, 9};
    EXPECT_EQ(selectPages(settings, 5), (Pages{0, 2, 4}));
    EXPECT_EQ(selectPages(settings, 2), (Pages{0}));
    settings.pageSelectionMode = 2;
    settings.pageRangeText = L"2";
    EXPECT_EQ(selectPages(settings, 5), (Pages{1}));
}

}  // namespace
}  // namespace ks::preview

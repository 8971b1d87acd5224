#include "protocol/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::protocol {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Utf8Test, SanitizeKeepsWellFormedText) {
    const std::string text = "ok \xE6\x89\x93\xE5\x8D\xB0 \xF0\x9F\x96\xA8 \x7F";
    EXPECT_EQ(sanitizeUtf8(text), text);
}

TEST(Utf8Test, SanitizeReplacesEachMaximalIllFormedSubpart) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"a\x80z", "a" + kReplacement + "z"},                          // stray continuation
        {"\xC0\xAF", kReplacement + kReplacement},                     // overlong lead
        {"\xE0\x80\x80", kReplacement + kReplacement + kReplacement},  // overlong 3-byte
        {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},  // surrogate D800
        {"\xF4\x90\x80\x80", std::string(kReplacement) + kReplacement + kReplacement + kReplacement},
        {"\xE6\x89", kReplacement},         // truncated at end
        {"\xE6\x89z", kReplacement + "z"},  // truncated mid-text
        {"\xF5", kReplacement},
        {"\xFF\xFE", kReplacement + kReplacement},
    };
    for (const auto& c : cases) EXPECT_EQ(sanitizeUtf8(c.input), c.expected) << testing::PrintToString(c.input);
}

TEST(Utf8Test, StrictDecodingRefusesIllFormedText) {
    EXPECT_EQ(utf8ToWideStrict("\xE6\x89\x93\xE5\x8D\xB0"), std::wstring(L"打印"));
    EXPECT_EQ(utf8ToWideStrict(""), std::wstring());
    EXPECT_FALSE(utf8ToWideStrict("caf\xE9").has_value());
    EXPECT_FALSE(utf8ToWideStrict("\xED\xB0\x80").has_value());
}

TEST(Utf8Test, WideRoundTripIncludesAstralCharacters) {
    const std::wstring text = L"纸张 \U0001F5A8 A4";
    EXPECT_EQ(wideToUtf8(text), "\xE7\xBA\xB8\xE5\xBC\xA0 \xF0\x9F\x96\xA8 A4");
    EXPECT_EQ(utf8ToWide(wideToUtf8(text)), text);
    EXPECT_EQ(utf8ToWide("a\xFFz"), L"a\uFFFDz");
}

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
    std::wstring text = L"a";
    text += static_cast<wchar_t>(0xD800);
    text += L"b";
    text += static_cast<wchar_t>(0xDC00);
    EXPECT_EQ(wideToUtf8(text), "a" + kReplacement + "b" + kReplacement);
}

}  // namespace
}  // namespace ks::protocol

#include "protocol/win32/ansi_decoder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "protocol/error_text.h"

namespace ks::protocol {
namespace {

TEST(AnsiDecoderTest, DecodesAsciiAndEmptyText) {
    EXPECT_EQ(decodeAnsiCodePage("printer"), std::wstring(L"printer"));
    EXPECT_EQ(decodeAnsiCodePage(""), std::wstring());
}

// An exception text in the ANSI code page but not in UTF-8 stays readable.
TEST(AnsiDecoderTest, ExceptionTextFallsBackToTheAnsiCodePage) {
    switch (::GetACP()) {
        case 1252: EXPECT_EQ(exceptionText("caf\xE9", decodeAnsiCodePage), L"caf\u00E9"); break;
        case 936: EXPECT_EQ(exceptionText("\xB4\xF2\xD3\xA1", decodeAnsiCodePage), L"打印"); break;
        default: GTEST_SKIP() << "no sample text for code page " << ::GetACP();
    }
}

}  // namespace
}  // namespace ks::protocol

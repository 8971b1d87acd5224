#include "protocol/error_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "protocol/error_catalog.h"

namespace ks::protocol {
namespace {

TEST(Win32SuffixTest, AppendsDecimalErrorNumber) {
    EXPECT_EQ(withWin32Suffix(L"无法打开打印机", 1801), L"无法打开打印机 (Win32=1801)");
    EXPECT_EQ(withWin32Suffix(L"无法枚举打印机", 0), L"无法枚举打印机 (Win32=0)");
    EXPECT_EQ(withWin32Suffix(L"x", 4294967295u), L"x (Win32=4294967295)");
}

TEST(ExceptionTextTest, PrefersUtf8ThenAnsiThenFixedTexts) {
    int ansiCalls = 0;
    const AnsiDecoder latin1 = [&](std::string_view bytes) -> std::optional<std::wstring> {
        ++ansiCalls;
        std::wstring text;
        for (const char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return text;
    };
    const AnsiDecoder refuses = [](std::string_view) -> std::optional<std::wstring> { return std::nullopt; };

    EXPECT_EQ(exceptionText("无法打开", latin1), L"无法打开");
    EXPECT_EQ(ansiCalls, 0) << "well-formed UTF-8 must not reach the ANSI decoder";
    EXPECT_EQ(exceptionText("caf\xE9", latin1), L"caf\u00E9");
    EXPECT_EQ(ansiCalls, 1);

    EXPECT_EQ(exceptionText("", latin1), messages::kExceptionDetailMissing);
    EXPECT_EQ(exceptionText(nullptr, latin1), messages::kExceptionDetailMissing);
    EXPECT_EQ(exceptionText("caf\xE9", refuses), messages::kExceptionDetailUndecodable);
    EXPECT_EQ(exceptionText("caf\xE9", AnsiDecoder{}), messages::kExceptionDetailUndecodable);
}

TEST(ExceptionTextTest, ConvertsStandardExceptionTexts) {
    const std::runtime_error error("device dot count exceeds int32 range");
    EXPECT_EQ(exceptionText(error.what(), {}), L"device dot count exceeds int32 range");
}

}  // namespace
}  // namespace ks::protocol

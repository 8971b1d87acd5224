#include "platform/export_path.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/utf8_samples.h"

namespace ks::platform {
namespace {

TEST(ExportPathTest, AcceptsAbsoluteFilePaths) {
    for (const wchar_t* path : {L"C:\\Users\\me\\Kestrune-诊断.txt", L"z:/tmp/report", L"C:\\a", L"C:\\dir\\..\\a.txt",
                                L"\\\\server\\share\\report.txt", L"//server/share/dir/r.txt", L"C:\\a\\.hidden",
                                L"C:\\a\\...", L"D:\\reports\\a b.txt"}) {
        EXPECT_TRUE(isAcceptableExportPath(path)) << path;
    }
}

TEST(ExportPathTest, RefusesRelativeDeviceStreamAndEmptyNames) {
    using namespace std::string_literals;
    for (const std::wstring& path : {L""s,
                                     L"report.txt"s,
                                     L"..\\report.txt"s,
                                     L".."s,
                                     L"."s,
                                     L"C:foo"s,
                                     L"C:"s,
                                     L"\\report.txt"s,
                                     L"1:\\report.txt"s,
                                     L"C:\\"s,
                                     L"C:\\dir\\"s,
                                     L"C:\\dir/"s,
                                     L"C:\\dir\\."s,
                                     L"C:\\dir\\.."s,
                                     L"C:\\a\\b:stream"s,
                                     L"C:\\a\\b.txt:$DATA"s,
                                     L"C:\\a\\b\0.txt"s,
                                     L"C:\\a\\b.txt\0"s,
                                     L"\\\\server"s,
                                     L"\\\\server\\share"s,
                                     L"\\\\server\\share\\"s,
                                     L"\\\\\\share\\x"s,
                                     L"\\\\server\\\\x"s,
                                     L"\\\\.\\PhysicalDrive0\\x"s,
                                     L"\\\\?\\C:\\report.txt"s,
                                     L"\\\\.\\C:\\report.txt"s}) {
        EXPECT_FALSE(isAcceptableExportPath(path)) << std::wstring(path.c_str());
    }
}

TEST(ExportPathTest, TextMustBeBoundedUtf8WithTabLineFeedAndReturnOnly) {
    const std::string largest(kMaximumExportBytes, 'x');
    EXPECT_TRUE(isExportableText(largest));
    EXPECT_FALSE(isExportableText(largest + "x"));
    EXPECT_FALSE(isExportableText(""));
    for (const char* text : utf8_samples::kWellFormed)
        EXPECT_TRUE(isExportableText(text)) << ::testing::PrintToString(text);
    for (unsigned control = 0; control < 0x20; ++control) {
        if (control == '\t' || control == '\n' || control == '\r') continue;
        EXPECT_FALSE(isExportableText(std::string("a") + static_cast<char>(control) + "b")) << control;
    }
}

TEST(ExportPathTest, RefusesIllFormedUtf8) {
    for (const char* text : utf8_samples::kIllFormed)
        EXPECT_FALSE(isExportableText(text)) << ::testing::PrintToString(text);
}

}  // namespace
}  // namespace ks::platform

#include "management/win32/windows_version.h"

#include <gtest/gtest.h>

namespace ks::management {
namespace {

// The test runs as a 64-bit process on Windows 10 or 11 (Wine's prefix is
// set to Windows 10); both report 10.0, with a build number that is never 0.
TEST(WindowsVersionTest, ReportsTheRunningSystem) {
    const std::optional<WindowsVersion> version = queryWindowsVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->architecture, 1u);
    EXPECT_EQ(version->major, 10u);
    EXPECT_EQ(version->minor, 0u);
    EXPECT_NE(version->build, 0u);
}

}  // namespace
}  // namespace ks::management

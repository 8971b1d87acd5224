#pragma once

#include <string_view>

namespace ks::app {

inline constexpr std::wstring_view kAppTitle = L"Kestrune";

// Start-up failures, shown in a message box before the process ends with 1.
inline constexpr std::wstring_view kClassRegistrationFailed = L"岚舟无法注册托盘入口。";
inline constexpr std::wstring_view kHiddenWindowFailed = L"岚舟无法创建托盘入口。";
inline constexpr std::wstring_view kServiceStartFailed = L"岚舟无法启动本地服务。";

}  // namespace ks::app

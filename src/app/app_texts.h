#pragma once

#include <string_view>

namespace ks::app {

inline constexpr std::wstring_view kAppTitle = L"Kestrune";

// Start-up failures, shown in a message box before the process ends with 1.
inline constexpr std::wstring_view kClassRegistrationFailed = L"岚舟无法注册托盘入口。";
inline constexpr std::wstring_view kHiddenWindowFailed = L"岚舟无法创建托盘入口。";
inline constexpr std::wstring_view kServiceStartFailed = L"岚舟无法启动本地服务。";

// The notification icon's tooltip.
inline constexpr std::wstring_view kTrayTip = L"岚舟：本地服务运行中";

// The tray menu, in order; the separator stands before the exit item.
inline constexpr std::wstring_view kMenuServiceStatus = L"服务状态";
inline constexpr std::wstring_view kMenuPrinterSettings = L"打印机设置";
inline constexpr std::wstring_view kMenuDiagnostics = L"诊断";
inline constexpr std::wstring_view kMenuStopAndExit = L"停止服务并退出";

}  // namespace ks::app

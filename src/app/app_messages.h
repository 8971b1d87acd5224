#pragma once

#include <windows.h>

namespace ks::app {

// Messages of the hidden "Kestrune.TrayOwner" window.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 0x01;
inline constexpr UINT kStopRequestMessage = WM_APP + 0x16;

// Tray menu commands.
inline constexpr UINT kCommandStopAndExit = 1001;
inline constexpr UINT kCommandServiceStatus = 1002;
inline constexpr UINT kCommandPrinterSettings = 1003;
inline constexpr UINT kCommandDiagnostics = 1005;

// The notification icon's id on the hidden window.
inline constexpr UINT kTrayIconId = 1;

inline constexpr wchar_t kTrayOwnerClassName[] = L"Kestrune.TrayOwner";
inline constexpr wchar_t kTrayOwnerWindowTitle[] = L"Kestrune";

}  // namespace ks::app

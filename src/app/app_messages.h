#pragma once

#include <windows.h>

namespace ks::app {

// Messages of the hidden "Kestrune.TrayOwner" window.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 0x01;
inline constexpr UINT kStopRequestMessage = WM_APP + 0x16;

inline constexpr wchar_t kTrayOwnerClassName[] = L"Kestrune.TrayOwner";
inline constexpr wchar_t kTrayOwnerWindowTitle[] = L"Kestrune";

}  // namespace ks::app

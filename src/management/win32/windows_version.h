#pragma once

#include <optional>

#include "management/diagnostics_text.h"

namespace ks::management {

// The running system's version from RtlGetVersion (which, unlike
// GetVersionExW, is not capped by the manifest's compatibility list) and the
// native architecture from GetNativeSystemInfo. nullopt when RtlGetVersion
// fails.
[[nodiscard]] std::optional<WindowsVersion> queryWindowsVersion();

}  // namespace ks::management

#pragma once

#include <windows.h>

#include "platform/win32/gdi_objects.h"

namespace ks::app {

// The product icon (resource IDI_APP of `module`) at exactly `sizePixels`,
// picked or resampled from the sizes the resource holds. Not shared: a shared
// icon is cached at whichever size was asked for first and would be
// stretched. Empty when the resource cannot be loaded.
[[nodiscard]] platform::UniqueIcon loadAppIcon(HINSTANCE module, int sizePixels);

// The product icon at the size the notification area draws for the current
// DPI. Empty when it cannot be loaded.
[[nodiscard]] platform::UniqueIcon loadNotificationIcon(HINSTANCE module);

// The width in pixels of the image behind `icon` (what GetIconInfo reports),
// or 0 for no icon.
[[nodiscard]] int iconWidth(HICON icon);

}  // namespace ks::app

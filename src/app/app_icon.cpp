#include "app/app_icon.h"

#include <commctrl.h>

#include "resource_ids.h"

namespace ks::app {

platform::UniqueIcon loadAppIcon(HINSTANCE module, int sizePixels) {
    return platform::UniqueIcon(static_cast<HICON>(
        ::LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, sizePixels, sizePixels, LR_DEFAULTCOLOR)));
}

platform::UniqueIcon loadNotificationIcon(HINSTANCE module) {
    platform::UniqueIcon icon;
    if (FAILED(::LoadIconMetric(module, MAKEINTRESOURCEW(IDI_APP), LIM_SMALL, icon.put()))) icon.reset();
    return icon;
}

int iconWidth(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !::GetIconInfo(icon, &info)) return 0;
    // GetIconInfo hands us copies of both bitmaps.
    const platform::UniqueGdiObject colour(info.hbmColor);
    const platform::UniqueGdiObject mask(info.hbmMask);
    BITMAP bitmap{};
    const HBITMAP measured = info.hbmColor != nullptr ? info.hbmColor : info.hbmMask;
    return ::GetObjectW(measured, sizeof(bitmap), &bitmap) != 0 ? bitmap.bmWidth : 0;
}

}  // namespace ks::app

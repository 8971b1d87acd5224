#include "preview/win32/window_placement.h"

namespace ks::preview {

platform::LayoutRect workAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    }
    const RECT& work = monitor.rcWork;
    return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

ClientSize clientSizeIn(const platform::LayoutRect& workArea, DWORD style, DWORD exStyle, UINT dpi) {
    RECT frame{};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi);
    return {workArea.width - (frame.right - frame.left), workArea.height - (frame.bottom - frame.top)};
}

void placePreviewWindow(HWND window) {
    RECT placed{};
    ::GetWindowRect(window, &placed);
    const int dpi = static_cast<int>(::GetDpiForWindow(window));
    const platform::LayoutRect wanted{placed.left, placed.top, platform::scaleForDpi(kOpeningWindowSize.width, dpi),
                                      platform::scaleForDpi(kOpeningWindowSize.height, dpi)};
    const platform::LayoutRect fitted = fitInWorkArea(wanted, workAreaOf(window));
    ::SetWindowPos(window, nullptr, fitted.x, fitted.y, fitted.width, fitted.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

}  // namespace ks::preview

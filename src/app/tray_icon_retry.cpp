#include "app/tray_icon_retry.h"

#include <windows.h>

namespace ks::app {

TrayIconStart addTrayIconWithRetry(const TrayIconAddFunction& add, const ShellWaitFunction& wait,
                                   std::chrono::milliseconds bound, std::chrono::milliseconds interval) {
    const auto waits = interval.count() > 0 ? bound / interval : 0;
    for (std::chrono::milliseconds::rep waited = 0;; ++waited) {
        if (add()) return TrayIconStart::Added;
        if (waited >= waits) return TrayIconStart::GaveUp;
        if (!wait(interval)) return TrayIconStart::QuitRequested;
    }
}

bool pumpMessagesFor(std::chrono::milliseconds time) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(time.count());
    for (;;) {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The message loop is what ends the service; it must still see this.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return true;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

}  // namespace ks::app

#include "app/hidden_window.h"

#include "app/app_host.h"
#include "app/app_messages.h"
#include "app/exit_dialog.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "management/win32/management_windows.h"
#include "preview/win32/preview_window_host.h"
#include "resource_ids.h"

namespace ks::app {

bool registerTrayOwnerClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = trayOwnerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.lpszClassName = kTrayOwnerClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UniqueWindow createTrayOwnerWindow(HINSTANCE instance, AppHost* host) {
    return UniqueWindow(::CreateWindowExW(WS_EX_TOOLWINDOW, kTrayOwnerClassName, kTrayOwnerWindowTitle, WS_POPUP, 0, 0,
                                          0, 0, nullptr, nullptr, instance, host));
}

namespace {

HINSTANCE instanceOf(HWND window) { return reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE)); }

void confirmAndStop(HWND window, AppHost& host) {
    // A second "停止服务并退出" while the dialog is up must not open another.
    if (host.exitDialogOpen) return;
    host.exitDialogOpen = true;
    const bool stop = confirmExit(instanceOf(window), window);
    host.exitDialogOpen = false;
    if (stop) ::PostMessageW(window, WM_CLOSE, 0, 0);
}

// The tray's clicks and menu commands; false for what falls to
// DefWindowProcW.
bool handleTrayMessage(HWND window, AppHost& host, UINT message, WPARAM wParam, LPARAM lParam) {
    management::ManagementWindows& windows = *host.managementWindows;
    if (message == kTrayCallbackMessage) {
        switch (static_cast<UINT>(lParam)) {
            case WM_RBUTTONUP: showTrayMenu(window); return true;
            case WM_LBUTTONUP: windows.ShowWindowOf(management::WindowKind::ServiceStatus); return true;
            default: return false;
        }
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case kCommandStopAndExit: confirmAndStop(window, host); return true;
            case kCommandServiceStatus: windows.ShowWindowOf(management::WindowKind::ServiceStatus); return true;
            case kCommandPrinterSettings: windows.ShowWindowOf(management::WindowKind::PrinterSettings); return true;
            case kCommandDiagnostics: windows.ShowWindowOf(management::WindowKind::Diagnostics); return true;
            default: return false;
        }
    }
    return false;
}

}  // namespace

LRESULT CALLBACK trayOwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (auto* host = reinterpret_cast<AppHost*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
        if (host->previewHost != nullptr && host->previewHost->HandleWindowMessage(message, wParam, lParam)) return 0;
        if (message == host->taskbarCreatedMessage && message != 0) {
            // Explorer restarted: the icon comes back; once added, the mark
            // stays even if this attempt fails.
            host->trayIconAdded = addTrayIcon(window, host->trayImage.get()) || host->trayIconAdded;
            return 0;
        }
        if (host->managementWindows != nullptr && handleTrayMessage(window, *host, message, wParam, lParam)) return 0;
    }
    // Closing and stopping work even before an AppHost is attached.
    switch (message) {
        case WM_CLOSE: ::PostQuitMessage(0); return 0;
        case kStopRequestMessage: ::PostQuitMessage(1); return 0;
        case WM_NCDESTROY: ::SetWindowLongPtrW(window, GWLP_USERDATA, 0); break;
        default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace ks::app

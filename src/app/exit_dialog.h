#pragma once

#include <windows.h>

#include "platform/win32/gdi_objects.h"

namespace ks::app {

// The fonts and icons the exit dialog creates for itself at its DPI; they
// live until the dialog has returned, owned by the caller.
struct ExitDialogResources {
    platform::UniqueFont regular;
    platform::UniqueFont heading;
    platform::UniqueFont title;
    platform::UniqueIcon bigIcon;    // the title bar's and Alt+Tab's
    platform::UniqueIcon smallIcon;  // the title bar's
    platform::UniqueIcon shownIcon;  // drawn in the dialog, at the layout's size
};

// Asks the user whether to stop the service (dialog resource 104, modal,
// owned by the hidden window). True only when the user chose "退出服务";
// Escape, the close box, "继续运行" and a dialog that cannot be shown all
// keep the service running.
[[nodiscard]] bool confirmExit(HINSTANCE instance, HWND owner);

INT_PTR CALLBACK exitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace ks::app

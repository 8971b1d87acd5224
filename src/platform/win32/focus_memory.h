#pragma once

#include <windows.h>

namespace ks::platform {

// Keeps a top-level window's keyboard focus on its controls across
// deactivation, as a dialog box does. An ordinary window whose keys go
// through IsDialogMessageW otherwise takes the focus itself when it is
// activated again (after a modal dialog or another program), and its
// controls lose it. UI thread only.
class FocusMemory {
public:
    // From WM_ACTIVATE of `window`: on deactivation, remembers which of its
    // controls has the focus.
    void activated(HWND window, WPARAM wParam) noexcept {
        if (LOWORD(wParam) != WA_INACTIVE) return;
        const HWND focused = ::GetFocus();
        control_ = focused != nullptr && ::IsChild(window, focused) ? focused : nullptr;
    }

    // From WM_SETFOCUS of the window itself: hands the focus on to the
    // remembered control while it can take it, else to `fallback` (may be
    // null: the window keeps it).
    void focusReceived(HWND fallback) const noexcept {
        const bool usable = control_ != nullptr && ::IsWindow(control_) && ::IsWindowEnabled(control_);
        const HWND target = usable ? control_ : fallback;
        if (target != nullptr) ::SetFocus(target);
    }

private:
    HWND control_ = nullptr;
};

}  // namespace ks::platform

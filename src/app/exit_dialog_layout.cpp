#include "app/exit_dialog_layout.h"

namespace ks::app {

ExitDialogLayout layoutExitDialog(int clientWidth, int clientHeight, int dpi) {
    const auto s = [dpi](int value) { return scaleForDpi(value, dpi); };
    const int widthInDip = mulDiv(clientWidth, 96, dpi);
    const int textWidth = s(widthInDip - 138);
    ExitDialogLayout layout;
    layout.title = {s(110), s(30), textWidth, s(24)};
    layout.heading = {s(110), s(61), textWidth, s(34)};
    layout.body = {s(110), s(109), textWidth, s(56)};
    layout.keepRunning = {clientWidth - s(264), clientHeight - s(56), s(112), s(36)};
    layout.exit = {clientWidth - s(140), clientHeight - s(56), s(112), s(36)};
    layout.accentBar = {0, 0, clientWidth, s(3)};
    layout.icon = {s(28), s(36), s(64), s(64)};
    return layout;
}

ExitDialogFontHeights exitDialogFontHeights(int dpi) {
    return {-scaleForDpi(16, dpi), -scaleForDpi(22, dpi), -scaleForDpi(16, dpi)};
}

LayoutRect centreInWorkArea(const LayoutRect& workArea, int windowWidth, int windowHeight) {
    return {workArea.x + (workArea.width - windowWidth) / 2, workArea.y + (workArea.height - windowHeight) / 2,
            windowWidth, windowHeight};
}

int defaultButtonFor(int focusedControlId) {
    return focusedControlId == kExitButtonId ? kExitButtonId : kKeepRunningButtonId;
}

}  // namespace ks::app

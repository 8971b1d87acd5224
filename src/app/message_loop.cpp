#include "app/message_loop.h"

#include <windows.h>

namespace ks::app {

int runMessageLoop(const std::function<HWND()>& dialogWindow, const std::function<bool(MSG&)>& translateDialog) {
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got < 0) return 1;
        const HWND dialog = dialogWindow ? dialogWindow() : nullptr;
        if (translateDialog && translateDialog(message)) continue;
        if (dialog != nullptr && ::IsDialogMessageW(dialog, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace ks::app

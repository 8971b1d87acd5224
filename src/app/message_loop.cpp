#include "app/message_loop.h"

#include <windows.h>

namespace ks::app {

int runMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got < 0) return 1;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace ks::app

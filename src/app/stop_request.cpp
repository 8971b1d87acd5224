#include "app/stop_request.h"

#include "app/app_messages.h"

namespace ks::app {

void StopRequest::operator()() const noexcept {
    if (!::PostMessageW(window_, kStopRequestMessage, 0, 0)) {
        ::PostThreadMessageW(uiThreadId_, WM_QUIT, 1, 0);
    }
}

}  // namespace ks::app

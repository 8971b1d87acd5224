#include "preview/win32/session_preview_window.h"

#include <memory>

#include "preview/session_window_model.h"
#include "preview/win32/preview_window.h"
#include "protocol/error_catalog.h"

namespace ks::preview {

Result<HWND> makeSessionPreviewWindow(const PreviewWindowContext& context) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!registerPreviewWindowClass(instance)) {
        return Error(protocol::codes::kPreviewFailure, protocol::messages::kPreviewClassRegistrationFailed);
    }
    // The handle is known only once the window exists; a window destroyed
    // while being created reports null, which the host knows no window by.
    auto window = std::make_shared<HWND>(nullptr);
    auto model = std::make_unique<SessionWindowModel>(context.session, context.coordinator, context.catalog,
                                                      [destroyed = context.destroyed, window] {
                                                          if (destroyed) destroyed(*window);
                                                      },
                                                      context.printing);
    const HWND created = createPreviewWindow(instance, context.owner, std::move(model));
    if (created == nullptr) {
        return Error(protocol::codes::kPreviewFailure, protocol::messages::kPreviewWindowCreationFailed);
    }
    *window = created;
    return created;
}

}  // namespace ks::preview

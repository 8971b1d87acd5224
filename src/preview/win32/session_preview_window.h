#pragma once

#include <windows.h>

#include "preview/win32/preview_window_factory.h"
#include "protocol/result.h"

namespace ks::preview {

// The service's preview window factory: the preview window of a real session,
// its model reaching the session, the coordinator and the catalogue of
// `context`. Created hidden; KSR-4007 "无法注册预览窗口" or "无法创建预览窗口"
// when it cannot be made.
[[nodiscard]] Result<HWND> makeSessionPreviewWindow(const PreviewWindowContext& context);

}  // namespace ks::preview

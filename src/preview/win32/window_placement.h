#pragma once

#include <windows.h>

#include "platform/dpi_scale.h"
#include "preview/preview_layout.h"

namespace ks::preview {

// The work area of the monitor that holds most of `window`, in pixels.
[[nodiscard]] platform::LayoutRect workAreaOf(HWND window);

// The client area that a window of `style` and `exStyle` at `dpi` has when
// its frame fills `workArea`.
[[nodiscard]] ClientSize clientSizeIn(const platform::LayoutRect& workArea, DWORD style, DWORD exStyle, UINT dpi);

// Gives `window` the preview's opening size at its DPI, shrunk and moved
// where needed to lie inside the work area of its monitor: the preparing
// window and the preview window that follows it open alike.
void placePreviewWindow(HWND window);

}  // namespace ks::preview

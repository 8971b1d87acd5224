#pragma once

#include <windows.h>

#include <memory>

#include "preview/preview_window_model.h"

namespace ks::preview {

inline constexpr wchar_t kPreviewWindowClassName[] = L"Kestrune.Preview";

// Registers "Kestrune.Preview" (arrow cursor, COLOR_BTNFACE background); a
// class that already exists in this process counts as success. False with
// the last error set otherwise.
[[nodiscard]] bool registerPreviewWindowClass(HINSTANCE instance);

// Creates the preview window, hidden, as an owned window of `owner` (which
// may be null), 1120 × 800 at its DPI or as much of that as the work area
// of its monitor holds, showing `model`. The window
// owns the model from then on and tells it when it is destroyed. Null when
// the window cannot be created; the model has then been told, if the window
// got as far as taking it, and is destroyed.
[[nodiscard]] HWND createPreviewWindow(HINSTANCE instance, HWND owner, std::unique_ptr<IPreviewWindowModel> model);

}  // namespace ks::preview

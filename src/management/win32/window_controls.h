#pragma once

#include <windows.h>

#include <string>

#include "platform/dpi_scale.h"

namespace ks::management {

// A child control of `parent` with the given id, at 0 × 0 until laid out.
// Null with the last error set when it cannot be made.
[[nodiscard]] HWND createChildControl(HWND parent, DWORD extendedStyle, const wchar_t* className, const wchar_t* text,
                                      DWORD style, int id);

// Moves `control` to `rect` and repaints it.
void placeControl(HWND control, const platform::LayoutRect& rect);

// The window's whole text.
[[nodiscard]] std::wstring windowText(HWND window);

// The window's current DPI, 96 when it has none (a window already gone).
[[nodiscard]] int dpiOf(HWND window);

}  // namespace ks::management

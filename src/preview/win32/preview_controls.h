#pragma once

#include <windows.h>

#include "platform/win32/gdi_objects.h"

namespace ks::preview {

// The preview window's fonts at one DPI.
struct PreviewFonts {
    platform::UniqueFont base;     // every control
    platform::UniqueFont small;    // the status box
    platform::UniqueFont heading;  // the three headings and the print button
};

// Creates the side panel's and the bottom bar's controls as children of
// `window`, all at the origin until laid out, the zoom label hidden. False
// when any of them cannot be created.
[[nodiscard]] bool createPreviewControls(HWND window);

// Fonts for `dpi`; a font that cannot be created is empty.
[[nodiscard]] PreviewFonts createPreviewFonts(int dpi);

// The base font alone, for `dpi`: the text of the preview's other windows.
[[nodiscard]] platform::UniqueFont createPreviewBaseFont(int dpi);

// Hands `fonts` to the controls and sizes the printer list's selection field
// for `dpi`. The fonts must outlive their use by the controls.
void applyPreviewFonts(HWND window, const PreviewFonts& fonts, int dpi);

// Moves every control to its place for the window's client area at `dpi`.
void layOutPreviewControls(HWND window, int dpi);

// Draws one owner-drawn button of the preview window.
void drawPreviewButton(const DRAWITEMSTRUCT& item, const PreviewFonts& fonts, int dpi);

// The colours of the panel's text controls (WM_CTLCOLOREDIT and
// WM_CTLCOLORSTATIC): white behind everything, the status box red or green.
[[nodiscard]] HBRUSH colourPreviewControl(HWND control, HDC dc, bool statusIsError);

}  // namespace ks::preview

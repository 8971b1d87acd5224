#pragma once

// What the three management windows are and where their controls go, as pure
// functions of the client size and the window's DPI, so that the geometry is
// checked without a window.

#include <string_view>

#include "platform/dpi_scale.h"

namespace ks::management {

enum class WindowKind { ServiceStatus = 0, PrinterSettings = 1, Diagnostics = 2 };
inline constexpr int kWindowKindCount = 3;

// A size in DIP, and whether it is the client area (to be converted to a
// window size for the window's style) or the whole window.
struct KindSize {
    int width = 0;
    int height = 0;
    bool clientArea = false;
};

struct WindowKindTraits {
    std::wstring_view className;
    std::wstring_view title;
    KindSize createdSize;
    KindSize minimumSize;  // 0 × 0: no minimum tracking size
    std::wstring_view refreshText;
    bool ownerDrawnRefresh = false;
};

[[nodiscard]] const WindowKindTraits& traitsOf(WindowKind kind);

// The constants every management window shares, for one client size and DPI.
struct LayoutMetrics {
    int margin = 0;      // m
    int button = 0;      // b, the button height
    int gap = 0;         // g
    int innerWidth = 0;  // max(W − 2m, 0)
    int buttonTop = 0;   // y, the top of the button row: max(m, H − b − m)
};
[[nodiscard]] LayoutMetrics layoutMetrics(int clientWidth, int clientHeight, int dpi);

struct StatusLayout {
    platform::LayoutRect panel;
    platform::LayoutRect refresh;
};
[[nodiscard]] StatusLayout statusLayout(int clientWidth, int clientHeight, int dpi);

struct PrinterSettingsLayout {
    platform::LayoutRect list;  // its height is the drop-down's
    platform::LayoutRect information;
    platform::LayoutRect refresh;
    platform::LayoutRect properties;
};
[[nodiscard]] PrinterSettingsLayout printerSettingsLayout(int clientWidth, int clientHeight, int dpi);

struct DiagnosticsLayout {
    platform::LayoutRect report;
    platform::LayoutRect label;  // empty and hidden while the label has no text
    bool labelVisible = false;
    platform::LayoutRect refresh;
    platform::LayoutRect exportButton;
};
// `labelTextHeight` is the export label's text measured at
// `diagnosticsLabelMeasureWidth`, or 0 while the label is empty.
[[nodiscard]] DiagnosticsLayout diagnosticsLayout(int clientWidth, int clientHeight, int dpi, int labelTextHeight);
[[nodiscard]] int diagnosticsLabelMeasureWidth(int clientWidth, int dpi);

}  // namespace ks::management

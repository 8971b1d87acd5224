#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace ks::platform {

struct FontTraits {
    using Type = HFONT;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::DeleteObject(value); }
};
using UniqueFont = UniqueResource<FontTraits>;

// Any other GDI object (bitmaps, brushes), deleted with DeleteObject.
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::DeleteObject(value); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

// An icon of our own (LoadImageW without LR_SHARED, LoadIconMetric): the
// caller destroys it, unlike the shared icons of LoadIconW.
struct IconTraits {
    using Type = HICON;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::DestroyIcon(value); }
};
using UniqueIcon = UniqueResource<IconTraits>;

// BeginPaint for the life of the object, EndPaint after.
class PaintScope {
public:
    explicit PaintScope(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC dc() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC for the life of the object, ReleaseDC on the same window after.
class WindowDcScope {
public:
    explicit WindowDcScope(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDcScope() {
        if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
    }
    WindowDcScope(const WindowDcScope&) = delete;
    WindowDcScope& operator=(const WindowDcScope&) = delete;

    HDC dc() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back afterwards.
class SelectionScope {
public:
    SelectionScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectionScope() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace ks::platform

#pragma once

#include <windows.h>

#include <d2d1.h>

#include <memory>

#include "platform/win32/com_ptr.h"
#include "preview/preview_window_model.h"
#include "protocol/frame.h"

namespace ks::preview {

// The device was lost: every device resource must be made again.
inline constexpr HRESULT kRecreateTarget = static_cast<HRESULT>(D2DERR_RECREATE_TARGET);

// Draws the preview window's background, the paper and the current page with
// Direct2D. The factory and the dashed stroke are made once and kept; the
// render target, its brush and the page bitmap are device resources, made on
// demand and dropped by discard(). UI thread only.
//
// The target is a DC render target, also for painting the window: a window
// render target under Wine covers the window's child controls with its
// surface, and one bound to the paint DC respects WS_CLIPCHILDREN everywhere.
class PreviewRenderer {
public:
    // Draws into `dc`, whose drawing area is `rect`, at `dpi`. Returns S_OK
    // or the failing HRESULT: kRecreateTarget when the device was lost (the
    // device resources are gone then and the window should be painted
    // again), E_INVALIDARG for a page whose pixels do not match its size,
    // and the conversion errors of the paper size. A page or paper that
    // cannot be drawn still leaves the rest of the frame drawn.
    [[nodiscard]] HRESULT render(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view);

    void discard() noexcept;

private:
    [[nodiscard]] HRESULT createIndependentResources();
    [[nodiscard]] HRESULT updatePageBitmap(const PreviewView& view);
    [[nodiscard]] HRESULT draw(const PreviewView& view, UINT dpi);

    platform::UniqueComPtr<ID2D1Factory> factory_;
    platform::UniqueComPtr<ID2D1StrokeStyle> dashes_;
    platform::UniqueComPtr<ID2D1DCRenderTarget> target_;
    platform::UniqueComPtr<ID2D1SolidColorBrush> brush_;
    platform::UniqueComPtr<ID2D1Bitmap> pageBitmap_;
    // The pixels the bitmap was made from; kept so that a new buffer cannot
    // reuse the address of the old one.
    std::shared_ptr<const protocol::ByteBuffer> bitmapSource_;
};

}  // namespace ks::preview

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
class PreviewRenderer {
public:
    // Draws into `window`'s client area through a window render target at
    // `dpi`. Returns S_OK or the failing HRESULT: kRecreateTarget when the
    // device was lost (the device resources are gone then and the window
    // should be painted again), E_INVALIDARG for a page whose pixels
    // do not match its size, and the conversion errors of the paper size.
    [[nodiscard]] HRESULT renderToWindow(HWND window, UINT dpi, const PreviewView& view);

    // Draws into `dc`, whose drawing area is `rect`, through a DC render
    // target at `dpi`; same results.
    [[nodiscard]] HRESULT renderToDc(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view);

    // Follows the window's new client size; S_OK when there is no window
    // target yet.
    [[nodiscard]] HRESULT resize(UINT width, UINT height);

    void discard() noexcept;

private:
    [[nodiscard]] HRESULT createIndependentResources();
    [[nodiscard]] HRESULT createBrush();
    [[nodiscard]] HRESULT updatePageBitmap(const PreviewView& view);
    [[nodiscard]] HRESULT draw(const PreviewView& view, UINT dpi);

    platform::UniqueComPtr<ID2D1Factory> factory_;
    platform::UniqueComPtr<ID2D1StrokeStyle> dashes_;
    // Exactly one of the two targets exists while device resources do.
    platform::UniqueComPtr<ID2D1HwndRenderTarget> windowTarget_;
    platform::UniqueComPtr<ID2D1DCRenderTarget> dcTarget_;
    ID2D1RenderTarget* target_ = nullptr;  // whichever of the two exists
    platform::UniqueComPtr<ID2D1SolidColorBrush> brush_;
    platform::UniqueComPtr<ID2D1Bitmap> pageBitmap_;
    // The pixels the bitmap was made from; kept so that a new buffer cannot
    // reuse the address of the old one.
    std::shared_ptr<const protocol::ByteBuffer> bitmapSource_;
};

}  // namespace ks::preview

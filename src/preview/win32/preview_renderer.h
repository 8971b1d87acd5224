#pragma once

#include <windows.h>

#include <d2d1.h>

#include <functional>
#include <memory>

#include "platform/win32/com_ptr.h"
#include "preview/page_bitmap.h"
#include "preview/preview_window_model.h"
#include "protocol/frame.h"
#include "raster/raster_page.h"

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
    // The Direct2D calls whose failures the renderer acts on.
    enum class Step { CreateTarget, CreateBrush, BindDC, CreateBitmap, EndDraw };
    // Sees what each step returned and gives back what the renderer is to act
    // on; tests pass one to make a step fail, the window none.
    using StepResult = std::function<HRESULT(Step step, HRESULT result)>;

    explicit PreviewRenderer(StepResult stepResult = {});

    // Draws into `dc`, whose drawing area is `rect`, at `dpi`. Returns S_OK
    // or the failing HRESULT: E_INVALIDARG for a page whose pixels do not
    // match its size, E_OUTOFMEMORY or the device's error when the page
    // could not become a bitmap, and the conversion errors of the paper size;
    // the rest of the frame is drawn all the same. A device lost in any step
    // (kRecreateTarget) drops the device resources and draws the frame once
    // more on new ones; kRecreateTarget comes back only when that is lost
    // too, with the resources dropped again.
    [[nodiscard]] HRESULT render(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view);

    void discard() noexcept;

private:
    [[nodiscard]] HRESULT renderOnce(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view);
    [[nodiscard]] HRESULT createIndependentResources();
    [[nodiscard]] HRESULT updatePageBitmap(const raster::RasterPage& page, PixelSize size);
    [[nodiscard]] HRESULT draw(const PreviewView& view, UINT dpi);
    [[nodiscard]] HRESULT checked(Step step, HRESULT result) const;

    StepResult stepResult_;
    platform::UniqueComPtr<ID2D1Factory> factory_;
    platform::UniqueComPtr<ID2D1StrokeStyle> dashes_;
    platform::UniqueComPtr<ID2D1DCRenderTarget> target_;
    platform::UniqueComPtr<ID2D1SolidColorBrush> brush_;
    platform::UniqueComPtr<ID2D1Bitmap> pageBitmap_;
    // The pixels the bitmap was made from, and its size; kept so that a new
    // buffer cannot reuse the address of the old one.
    std::shared_ptr<const protocol::ByteBuffer> bitmapSource_;
    PixelSize bitmapSize_;
};

}  // namespace ks::preview

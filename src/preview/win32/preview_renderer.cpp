#include "preview/win32/preview_renderer.h"

#include <d2d1helper.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

#include "preview/preview_geometry.h"
#include "preview/preview_zoom.h"

namespace ks::preview {
namespace {

constexpr D2D1_COLOR_F kBackground{0.91f, 0.925f, 0.94f, 1.0f};
constexpr D2D1_COLOR_F kWhite{1.0f, 1.0f, 1.0f, 1.0f};
constexpr D2D1_COLOR_F kSeparator{0.83f, 0.855f, 0.88f, 1.0f};
constexpr D2D1_COLOR_F kPaperEdge{0.65f, 0.68f, 0.72f, 1.0f};

D2D1_RECT_F toD2d(const RectF& rect) {
    return D2D1::RectF(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
                       static_cast<float>(rect.bottom));
}

// A coordinate moved to the middle of the device pixel it falls in, so that
// a line one pixel wide covers exactly that pixel instead of blurring over two.
float pixelCentre(double dip, UINT dpi) {
    const double pixel = 96.0 / dpi;
    return static_cast<float>((std::floor(dip / pixel) + 0.5) * pixel);
}

// The paper in dots, with the conversion's exceptions as HRESULTs.
HRESULT paperDotsOf(const PreviewView& view, PaperDots& paper) {
    try {
        paper = paperDots(view);
        return S_OK;
    } catch (const std::overflow_error&) {
        return HRESULT_FROM_WIN32(ERROR_ARITHMETIC_OVERFLOW);
    } catch (const std::invalid_argument&) {
        return E_INVALIDARG;
    }
}

// A length in DIPs as whole device pixels at `dpi`, rounded up so that a
// bitmap of that size never has fewer pixels than it is drawn on.
std::uint32_t devicePixels(double dips, UINT dpi) {
    const double pixels = std::ceil(dips * dpi / 96.0);
    return static_cast<std::uint32_t>(std::clamp(pixels, 0.0, 4294967295.0));
}

// The current page when it can become a bitmap, else null.
const raster::RasterPage* drawablePage(const PreviewView& view) {
    if (!view.pages || view.pageIndex >= view.pages->size()) return nullptr;
    const raster::RasterPage& page = (*view.pages)[view.pageIndex];
    return hasDrawablePixels(page) ? &page : nullptr;
}

}  // namespace

PreviewRenderer::PreviewRenderer(StepResult stepResult) : stepResult_(std::move(stepResult)) {}

HRESULT PreviewRenderer::render(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view) {
    const HRESULT hr = renderOnce(dc, rect, dpi, view);
    if (hr != kRecreateTarget) return hr;
    // Whichever call saw the device go, everything made on it goes too and
    // the frame is drawn again, once: a device that is lost again is
    // reported rather than tried without end.
    discard();
    const HRESULT again = renderOnce(dc, rect, dpi, view);
    if (again == kRecreateTarget) discard();
    return again;
}

HRESULT PreviewRenderer::renderOnce(HDC dc, const RECT& rect, UINT dpi, const PreviewView& view) {
    HRESULT hr = createIndependentResources();
    if (FAILED(hr)) return hr;
    if (!target_) {
        const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
            D2D1_RENDER_TARGET_TYPE_DEFAULT, D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE),
            static_cast<float>(dpi), static_cast<float>(dpi));
        hr = checked(Step::CreateTarget, factory_.get()->CreateDCRenderTarget(&properties, target_.put()));
        if (FAILED(hr)) return hr;
    }
    if (!brush_) {
        hr = checked(Step::CreateBrush, target_.get()->CreateSolidColorBrush(kWhite, brush_.put()));
        if (FAILED(hr)) return hr;
    }
    hr = checked(Step::BindDC, target_.get()->BindDC(dc, &rect));
    if (FAILED(hr)) return hr;
    return draw(view, dpi);
}

void PreviewRenderer::discard() noexcept {
    pageBitmap_.reset();
    bitmapSource_.reset();
    brush_.reset();
    target_.reset();
}

HRESULT PreviewRenderer::checked(Step step, HRESULT result) const {
    return stepResult_ ? stepResult_(step, result) : result;
}

HRESULT PreviewRenderer::createIndependentResources() {
    if (!factory_) {
        const HRESULT hr = ::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                                               reinterpret_cast<void**>(factory_.put()));
        if (FAILED(hr)) return hr;
    }
    if (!dashes_) {
        const D2D1_STROKE_STYLE_PROPERTIES dashed =
            D2D1::StrokeStyleProperties(D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT,
                                        D2D1_LINE_JOIN_MITER, 10.0f, D2D1_DASH_STYLE_DASH, 0.0f);
        return factory_.get()->CreateStrokeStyle(dashed, nullptr, 0, dashes_.put());
    }
    return S_OK;
}

// The page as a bitmap of `size`, shrunk from its pixels when that is
// smaller than the page; kept while neither changes.
HRESULT PreviewRenderer::updatePageBitmap(const raster::RasterPage& page, PixelSize size) {
    if (pageBitmap_ && bitmapSource_ == page.pixels && bitmapSize_ == size) return S_OK;
    pageBitmap_.reset();
    bitmapSource_.reset();
    protocol::ByteBuffer shrunk;
    const std::uint8_t* pixels = page.pixels->data();
    if (size != PixelSize{page.width, page.height}) {
        try {
            shrunk = shrinkPixels(page.pixels->span(), {page.width, page.height}, size);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        pixels = shrunk.data();
    }
    // Pages are opaque, so their straight BGRA is also premultiplied.
    const D2D1_BITMAP_PROPERTIES properties =
        D2D1::BitmapProperties(D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96, 96);
    const HRESULT hr =
        checked(Step::CreateBitmap, target_.get()->CreateBitmap(D2D1::SizeU(size.width, size.height), pixels,
                                                                size.width * 4, &properties, pageBitmap_.put()));
    if (FAILED(hr)) {
        pageBitmap_.reset();
        return hr;
    }
    bitmapSource_ = page.pixels;
    bitmapSize_ = size;
    return S_OK;
}

HRESULT PreviewRenderer::draw(const PreviewView& view, UINT dpi) {
    ID2D1RenderTarget* const target = target_.get();
    // A paper or page that cannot be drawn still leaves the window's frame
    // drawn; the first such failure is reported once the frame is done.
    PaperDots paper;
    const HRESULT paperResult = paperDotsOf(view, paper);
    const raster::RasterPage* const page = drawablePage(view);

    const D2D1_SIZE_F size = target->GetSize();
    const D2D1_SIZE_U pixels = target->GetPixelSize();
    const int windowDpi = static_cast<int>(dpi);
    const double fit = fitScale(static_cast<int>(pixels.width), static_cast<int>(pixels.height), windowDpi, paper);
    const PreviewScene scene =
        composePreviewScene(size.width, size.height, zoomFactor(view.zoom, fit, windowDpi), paper, view.margins,
                            page != nullptr ? page->width : 0, page != nullptr ? page->height : 0);
    const float pixel = 96.0f / static_cast<float>(dpi);

    // The bitmap holds no more pixels than the page is drawn on, and no more
    // than the device can take, which a large page at a high resolution
    // passes.
    HRESULT pageResult = page != nullptr ? S_OK : E_INVALIDARG;
    if (page != nullptr && scene.image) {
        const PixelSize shown{devicePixels(scene.image->width(), dpi), devicePixels(scene.image->height(), dpi)};
        pageResult =
            updatePageBitmap(*page, pageBitmapSize({page->width, page->height}, shown, target->GetMaximumBitmapSize()));
        if (pageResult == kRecreateTarget) return pageResult;
    }

    target->BeginDraw();
    target->Clear(kBackground);
    brush_.get()->SetColor(kWhite);
    target->FillRectangle(toD2d(scene.sidePanel), brush_.get());
    target->FillRectangle(toD2d(scene.bottomBar), brush_.get());
    brush_.get()->SetColor(kSeparator);
    for (const LineF& line : scene.separators) {
        const bool vertical = line.x0 == line.x1;
        const float x0 = vertical ? pixelCentre(line.x0, dpi) : static_cast<float>(line.x0);
        const float y0 = vertical ? static_cast<float>(line.y0) : pixelCentre(line.y0, dpi);
        const float x1 = vertical ? x0 : static_cast<float>(line.x1);
        const float y1 = vertical ? static_cast<float>(line.y1) : y0;
        target->DrawLine(D2D1::Point2F(x0, y0), D2D1::Point2F(x1, y1), brush_.get(), pixel);
    }
    if (SUCCEEDED(paperResult)) {
        target->PushAxisAlignedClip(toD2d(scene.viewport), D2D1_ANTIALIAS_MODE_ALIASED);
        brush_.get()->SetColor(kWhite);
        target->FillRectangle(toD2d(scene.paper), brush_.get());
        if (SUCCEEDED(pageResult) && pageBitmap_ && scene.image) {
            target->DrawBitmap(pageBitmap_.get(), toD2d(*scene.image), 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR,
                                nullptr);
        }
        brush_.get()->SetColor(kPaperEdge);
        target->DrawRectangle(toD2d(scene.paper), brush_.get(), pixel);
        if (!view.settingsError) {
            target->PushAxisAlignedClip(toD2d(scene.paper), D2D1_ANTIALIAS_MODE_ALIASED);
            target->DrawRectangle(toD2d(scene.printable), brush_.get(), pixel, dashes_.get());
            target->PopAxisAlignedClip();
        }
        target->PopAxisAlignedClip();
    }
    const HRESULT hr = checked(Step::EndDraw, target->EndDraw());
    if (FAILED(hr)) return hr;
    return FAILED(paperResult) ? paperResult : pageResult;
}

}  // namespace ks::preview

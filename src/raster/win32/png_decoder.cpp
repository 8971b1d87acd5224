#include "raster/win32/png_decoder.h"

#include <windows.h>
// <wincodec.h> needs the types of <windows.h>.
#include <wincodec.h>

#include <new>
#include <span>
#include <string_view>
#include <utility>

#include "platform/sha256.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/com_ptr.h"
#include "protocol/error_catalog.h"
#include "raster/page_limits.h"
#include "raster/pixel_flatten.h"

namespace ks::raster {
namespace {

namespace messages = protocol::messages;
using platform::UniqueComPtr;

Error decodeFailure(std::wstring_view message) { return Error(protocol::codes::kOutOfMemory, message); }

// WIC reports exhaustion as E_OUTOFMEMORY from whichever step ran out; that
// is the memory message, not the step's own.
Error decodeFailure(HRESULT result, std::wstring_view message) {
    return decodeFailure(result == E_OUTOFMEMORY ? messages::kPngOutOfMemory : message);
}

Result<RasterPage> decode(std::shared_ptr<const protocol::ByteBuffer> png, std::uint32_t expectedWidth,
                          std::uint32_t expectedHeight) {
    const std::span<const std::uint8_t> bytes = png ? png->span() : std::span<const std::uint8_t>{};
    if (auto checked = checkPngInput(bytes, expectedWidth, expectedHeight); !checked) {
        return std::move(checked).error();
    }

    const platform::ComApartment apartment(COINIT_MULTITHREADED);
    if (!apartment.usable()) return decodeFailure(apartment.result(), messages::kImagingInitFailed);

    UniqueComPtr<IWICImagingFactory> factory;
    HRESULT result = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()));
    if (FAILED(result)) return decodeFailure(result, messages::kWicFactoryFailed);

    // The stream reads the blob where it lies; WIC only reads through the
    // non-const pointer it asks for.
    UniqueComPtr<IWICStream> stream;
    result = factory.get()->CreateStream(stream.put());
    if (SUCCEEDED(result)) {
        result = stream.get()->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    }
    if (FAILED(result)) return decodeFailure(result, messages::kPngUnreadable);

    UniqueComPtr<IWICBitmapDecoder> decoder;
    UniqueComPtr<IWICBitmapFrameDecode> frame;
    result = factory.get()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                                     decoder.put());
    if (SUCCEEDED(result)) result = decoder.get()->GetFrame(0, frame.put());
    if (FAILED(result)) return decodeFailure(result, messages::kPngDecodeFailed);

    UINT width = 0;
    UINT height = 0;
    result = frame.get()->GetSize(&width, &height);
    if (FAILED(result)) return decodeFailure(result, messages::kPngSizeUnreadable);
    // Equal to the expected size, which checkPngInput held to the per-page
    // pixel limit, so the buffer size below cannot overflow 32 bits.
    if (width != expectedWidth || height != expectedHeight) {
        return Error(protocol::codes::kPagePixelsInvalid, messages::kPngSizeMismatch);
    }

    UniqueComPtr<IWICFormatConverter> converter;
    result = factory.get()->CreateFormatConverter(converter.put());
    if (SUCCEEDED(result)) {
        result = converter.get()->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                             nullptr, 0.0, WICBitmapPaletteTypeCustom);
    }
    if (FAILED(result)) return decodeFailure(result, messages::kPngConversionFailed);

    // The converter writes straight into the page's own buffer, which is then
    // flattened in place: the pixels are never copied.
    const UINT stride = width * 4;
    const UINT size = stride * height;
    protocol::ByteBuffer pixels(size);
    result = converter.get()->CopyPixels(nullptr, stride, size, pixels.data());
    if (FAILED(result)) return decodeFailure(result, messages::kPngCopyFailed);
    flattenOntoWhite(pixels.span());

    RasterPage page;
    page.width = width;
    page.height = height;
    page.sha256 = platform::sha256Hex(bytes);
    page.pixels = std::make_shared<const protocol::ByteBuffer>(std::move(pixels));
    page.png = std::move(png);
    return page;
}

}  // namespace

Result<RasterPage> decodePng(std::shared_ptr<const protocol::ByteBuffer> png, std::uint32_t expectedWidth,
                             std::uint32_t expectedHeight) {
    try {
        return decode(std::move(png), expectedWidth, expectedHeight);
    } catch (const std::bad_alloc&) {
        return decodeFailure(messages::kPngOutOfMemory);
    }
}

}  // namespace ks::raster

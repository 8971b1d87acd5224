#include "support/win32/png_encoder.h"

#include <windows.h>

#include <wincodec.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/com_ptr.h"

namespace ks::testing {
namespace {

using platform::UniqueComPtr;

void check(HRESULT result, const char* what) {
    if (FAILED(result)) throw std::runtime_error(std::string("PNG encoding failed at ") + what);
}

}  // namespace

std::string encodeAsTransparentPng(const Grey& image) {
    const platform::ComApartment apartment(COINIT_MULTITHREADED);
    UniqueComPtr<IWICImagingFactory> factory;
    check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(factory.put())),
          "CoCreateInstance");
    UniqueComPtr<IStream> stream;
    check(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), "CreateStreamOnHGlobal");
    UniqueComPtr<IWICBitmapEncoder> encoder;
    check(factory.get()->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()), "CreateEncoder");
    check(encoder.get()->Initialize(stream.get(), WICBitmapEncoderNoCache), "Initialize");
    UniqueComPtr<IWICBitmapFrameEncode> frame;
    check(encoder.get()->CreateNewFrame(frame.put(), nullptr), "CreateNewFrame");
    check(frame.get()->Initialize(nullptr), "frame Initialize");
    check(frame.get()->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height)), "SetSize");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    check(frame.get()->SetPixelFormat(&format), "SetPixelFormat");
    if (format != GUID_WICPixelFormat32bppBGRA) throw std::runtime_error("the PNG encoder wants another format");

    std::vector<BYTE> pixels(image.dots.size() * 4, 0);
    for (std::size_t i = 0; i < image.dots.size(); ++i) pixels[i * 4 + 3] = static_cast<BYTE>(255 - image.dots[i]);
    const UINT stride = static_cast<UINT>(image.width) * 4;
    check(frame.get()->WritePixels(static_cast<UINT>(image.height), stride, static_cast<UINT>(pixels.size()),
                                   pixels.data()),
          "WritePixels");
    check(frame.get()->Commit(), "frame Commit");
    check(encoder.get()->Commit(), "Commit");

    STATSTG statistics{};
    check(stream.get()->Stat(&statistics, STATFLAG_NONAME), "Stat");
    std::string bytes(static_cast<std::size_t>(statistics.cbSize.QuadPart), '\0');
    const LARGE_INTEGER start{};
    check(stream.get()->Seek(start, STREAM_SEEK_SET, nullptr), "Seek");
    ULONG read = 0;
    check(stream.get()->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), "Read");
    bytes.resize(read);
    return bytes;
}

}  // namespace ks::testing

#include "raster/win32/png_decoder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "fakes/allocation_failure.h"
#include "platform/sha256.h"
#include "protocol/utf8.h"

namespace ks::raster {
namespace {

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A

const Error kInvalid("KSR-3003", L"PNG 数据无效或超过限制");
const Error kDecodeFailed("KSR-3003", L"PNG 解码失败");

// The files of raster/data, copied beside the test executable.
std::vector<std::uint8_t> readData(const wchar_t* name) {
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    std::ifstream file(std::filesystem::path(exe).parent_path() / L"raster_data" / name, std::ios::binary);
    EXPECT_TRUE(file) << "missing " << protocol::wideToUtf8(name);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::shared_ptr<const protocol::ByteBuffer> blobOf(std::span<const std::uint8_t> bytes) {
    return std::make_shared<const protocol::ByteBuffer>(protocol::ByteBuffer::copyOf(bytes));
}

std::vector<Pixel> pixelsOf(const RasterPage& page) {
    std::vector<Pixel> pixels(page.pixels->size() / 4);
    std::memcpy(pixels.data(), page.pixels->data(), page.pixels->size());
    return pixels;
}

TEST(PngDecoderTest, DecodesEachPngKindToOpaqueBgraOnWhite) {
    // Red, green, blue, half-transparent black; transparent black,
    // transparent white, (64,128,192), white; made opaque on white.
    const std::vector<Pixel> rgba{{0, 0, 255, 255},     {0, 255, 0, 255},     {255, 0, 0, 255},    {127, 127, 127, 255},
                                  {255, 255, 255, 255}, {255, 255, 255, 255}, {192, 128, 64, 255}, {255, 255, 255, 255}};
    std::vector<Pixel> gradient;  // R = 16x, G = 16y, B = 8(x + y)
    for (unsigned y = 0; y < 16; ++y) {
        for (unsigned x = 0; x < 16; ++x) gradient.push_back({std::uint8_t(8 * (x + y)), std::uint8_t(16 * y), std::uint8_t(16 * x), 255});
    }
    struct Case {
        const wchar_t* file;
        std::uint32_t width;
        std::uint32_t height;
        std::vector<Pixel> pixels;
    };
    const std::vector<Case> cases{
        {L"rgba8.png", 4, 2, rgba},
        {L"rgba16.png", 4, 2, rgba},
        {L"palette.png", 4, 2,
         {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255},
          {255, 255, 255, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {192, 128, 64, 255}}},
        {L"grey.png", 4, 1, {{0, 0, 0, 255}, {64, 64, 64, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}}},
        {L"interlaced.png", 16, 16, gradient},
    };
    for (const auto& [file, width, height, pixels] : cases) {
        SCOPED_TRACE(protocol::wideToUtf8(file));
        const auto bytes = readData(file);
        const auto png = blobOf(bytes);
        const auto page = decodePng(png, width, height);
        ASSERT_TRUE(page) << page.error().code() << " " << protocol::wideToUtf8(page.error().message());
        EXPECT_EQ(page.value().width, width);
        EXPECT_EQ(page.value().height, height);
        EXPECT_EQ(pixelsOf(page.value()), pixels);
        EXPECT_EQ(page.value().png, png) << "the page holds the very blob it was given";
        EXPECT_EQ(page.value().sha256, platform::sha256Hex(bytes));
    }
}

TEST(PngDecoderTest, SamePixelsInOtherBytesDigestDifferently) {
    const auto stored = decodePng(blobOf(readData(L"stored.png")), 100, 100);
    const auto deflated = decodePng(blobOf(readData(L"deflated.png")), 100, 100);
    ASSERT_TRUE(stored);
    ASSERT_TRUE(deflated);
    EXPECT_EQ(pixelsOf(stored.value()), pixelsOf(deflated.value()));
    EXPECT_NE(stored.value().sha256, deflated.value().sha256);
}

TEST(PngDecoderTest, RefusesWhatIsNotTheExpectedPng) {
    const auto valid = readData(L"deflated.png");  // 100 × 100
    auto badSignature = valid;
    badSignature[1] = 'p';
    const Error mismatch("KSR-3004", L"PNG 像素尺寸与打印请求不一致");
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
        std::uint32_t width;
        std::uint32_t height;
        Error error;
    };
    const std::vector<Case> cases{
        {"SevenBytes", {valid.begin(), valid.begin() + 7}, 100, 100, kInvalid},
        {"BadSignature", badSignature, 100, 100, kInvalid},
        {"SignatureOnly", {valid.begin(), valid.begin() + 8}, 100, 100, kDecodeFailed},
        {"OneRowTooMany", valid, 100, 101, mismatch},
        {"OneColumnTooFew", valid, 99, 100, mismatch},
    };
    for (const auto& [label, bytes, width, height, error] : cases) {
        SCOPED_TRACE(label);
        const auto page = decodePng(blobOf(bytes), width, height);
        ASSERT_FALSE(page);
        EXPECT_EQ(page.error(), error);
    }
    // Cut inside the image data: whether the decoder notices when it opens
    // the frame or when the pixels are copied is its own affair.
    const auto truncated = decodePng(blobOf(std::span(valid).first(valid.size() / 2)), 100, 100);
    ASSERT_FALSE(truncated);
    const std::vector<Error> truncationErrors{kDecodeFailed, Error("KSR-3003", L"PNG 像素复制失败")};
    EXPECT_NE(std::ranges::find(truncationErrors, truncated.error()), truncationErrors.end());
    const auto missing = decodePng(nullptr, 1, 1);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), kInvalid);
}

TEST(PngDecoderTest, NoMemoryForThePixelsIsReported) {
    const auto png = blobOf(readData(L"deflated.png"));
    const fakes::LargeAllocationsFail noPageBuffers(100 * 100 * 4);
    const auto page = decodePng(png, 100, 100);
    ASSERT_FALSE(page);
    EXPECT_EQ(page.error(), Error("KSR-3003", L"PNG 解码内存不足，请减少页面尺寸后重试"));
}

// COM is joined for the call and left again on a thread that had none; a
// thread already in a single-threaded apartment keeps it.
TEST(PngDecoderTest, LeavesTheCallersComApartmentAsItWas) {
    const auto png = blobOf(readData(L"rgba8.png"));
    HRESULT afterFreshThread = E_FAIL;
    HRESULT afterApartmentThread = E_FAIL;
    std::thread([&] {
        EXPECT_TRUE(decodePng(png, 4, 2));
        afterFreshThread = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterFreshThread)) ::CoUninitialize();
    }).join();
    std::thread([&] {
        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_TRUE(decodePng(png, 4, 2));
        afterApartmentThread = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterApartmentThread)) ::CoUninitialize();
        ::CoUninitialize();
    }).join();
    EXPECT_EQ(afterFreshThread, S_OK) << "not S_FALSE: the decoder left the apartment it joined";
    EXPECT_EQ(afterApartmentThread, S_FALSE) << "the thread is still in its own apartment";
}

}  // namespace
}  // namespace ks::raster

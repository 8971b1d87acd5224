#include "raster/win32/png_decoder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/allocation_failure.h"
#include "platform/sha256.h"
#include "protocol/utf8.h"

namespace ks::raster {
namespace {

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A

const Error kInvalid("KSR-3003", L"PNG 数据无效或超过限制");
const Error kSizeMismatch("KSR-3004", L"PNG 像素尺寸与打印请求不一致");

std::filesystem::path dataFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path() / L"raster_data";
}

std::vector<std::uint8_t> readData(const wchar_t* name) {
    std::ifstream file(dataFolder() / name, std::ios::binary);
    EXPECT_TRUE(file) << "missing test file";
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::shared_ptr<const protocol::ByteBuffer> blobOf(std::span<const std::uint8_t> bytes) {
    return std::make_shared<const protocol::ByteBuffer>(protocol::ByteBuffer::copyOf(bytes));
}

std::vector<Pixel> pixelsOf(const RasterPage& page) {
    std::vector<Pixel> pixels;
    const auto bytes = page.pixels->span();
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]});
    return pixels;
}

// The two 4 × 2 test images with alpha, made opaque on white: red, green,
// blue, half-transparent black; transparent black, transparent white,
// (64,128,192), white.
const std::vector<Pixel> kFlattenedRgba{
    {0, 0, 255, 255},     {0, 255, 0, 255},     {255, 0, 0, 255},     {127, 127, 127, 255},
    {255, 255, 255, 255}, {255, 255, 255, 255}, {192, 128, 64, 255},  {255, 255, 255, 255},
};

std::vector<Pixel> interlacedGradient() {
    std::vector<Pixel> pixels;
    for (unsigned y = 0; y < 16; ++y) {
        for (unsigned x = 0; x < 16; ++x) {
            pixels.push_back({std::uint8_t(8 * (x + y)), std::uint8_t(16 * y), std::uint8_t(16 * x), 255});
        }
    }
    return pixels;
}

TEST(PngDecoderTest, DecodesEachPngKindToOpaqueBgraOnWhite) {
    struct Case {
        const wchar_t* file;
        std::uint32_t width;
        std::uint32_t height;
        std::vector<Pixel> pixels;
    };
    const std::vector<Case> cases{
        {L"rgba8.png", 4, 2, kFlattenedRgba},
        {L"rgba16.png", 4, 2, kFlattenedRgba},
        {L"palette.png", 4, 2,
         {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255},
          {255, 255, 255, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {192, 128, 64, 255}}},
        {L"grey.png", 4, 1, {{0, 0, 0, 255}, {64, 64, 64, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}}},
        {L"interlaced.png", 16, 16, interlacedGradient()},
    };
    for (const auto& [file, width, height, pixels] : cases) {
        SCOPED_TRACE(protocol::wideToUtf8(file));
        const auto bytes = readData(file);
        const auto png = blobOf(bytes);
        const auto page = decodePng(png, width, height);
        ASSERT_TRUE(page) << page.error().code();
        EXPECT_EQ(page.value().width, width);
        EXPECT_EQ(page.value().height, height);
        EXPECT_EQ(page.value().pixels->size(), std::size_t{width} * height * 4);
        EXPECT_EQ(pixelsOf(page.value()), pixels);
        // The page holds the very blob it was given, and its digest.
        EXPECT_EQ(page.value().png.get(), png.get());
        EXPECT_EQ(page.value().sha256, platform::sha256Hex(bytes));
    }
}

TEST(PngDecoderTest, SamePixelsInOtherBytesDigestDifferently) {
    const auto storedBytes = readData(L"stored.png");
    const auto deflatedBytes = readData(L"deflated.png");
    ASSERT_NE(storedBytes, deflatedBytes);
    const auto stored = decodePng(blobOf(storedBytes), 100, 100);
    const auto deflated = decodePng(blobOf(deflatedBytes), 100, 100);
    ASSERT_TRUE(stored);
    ASSERT_TRUE(deflated);
    EXPECT_TRUE(std::ranges::equal(stored.value().pixels->span(), deflated.value().pixels->span()));
    EXPECT_NE(stored.value().sha256, deflated.value().sha256);
    EXPECT_EQ(stored.value().sha256, platform::sha256Hex(storedBytes));
}

TEST(PngDecoderTest, RefusesWhatIsNotTheExpectedPng) {
    const auto valid = readData(L"deflated.png");  // 100 × 100
    auto badSignature = valid;
    badSignature[1] = 'p';
    // Cut inside the image data: the header still reads, the pixels do not.
    const std::vector<std::uint8_t> truncated(valid.begin(), valid.begin() + valid.size() / 2);
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
        std::uint32_t width;
        std::uint32_t height;
        std::vector<Error> errors;  // where a decoder notices may vary
    };
    const std::vector<Case> cases{
        {"SevenBytes", {valid.begin(), valid.begin() + 7}, 100, 100, {kInvalid}},
        {"BadSignature", badSignature, 100, 100, {kInvalid}},
        {"SignatureOnly", {valid.begin(), valid.begin() + 8}, 100, 100,
         {Error("KSR-3003", L"PNG 解码失败")}},
        {"OneRowTooMany", valid, 100, 101, {kSizeMismatch}},
        {"OneColumnTooFew", valid, 99, 100, {kSizeMismatch}},
        {"Truncated", truncated, 100, 100,
         {Error("KSR-3003", L"PNG 解码失败"), Error("KSR-3003", L"PNG 像素复制失败")}},
    };
    for (const auto& [label, bytes, width, height, errors] : cases) {
        SCOPED_TRACE(label);
        const auto page = decodePng(blobOf(bytes), width, height);
        ASSERT_FALSE(page);
        EXPECT_NE(std::ranges::find(errors, page.error()), errors.end())
            << page.error().code() << " " << protocol::wideToUtf8(page.error().message());
    }
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
    std::thread([&] {
        EXPECT_TRUE(decodePng(png, 4, 2));
        // S_OK, not S_FALSE: the decoder did not stay in the apartment.
        afterFreshThread = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterFreshThread)) ::CoUninitialize();
    }).join();
    EXPECT_EQ(afterFreshThread, S_OK);

    HRESULT afterApartmentThread = E_FAIL;
    std::thread([&] {
        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_TRUE(decodePng(png, 4, 2));
        afterApartmentThread = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterApartmentThread)) ::CoUninitialize();
        ::CoUninitialize();
    }).join();
    EXPECT_EQ(afterApartmentThread, S_FALSE) << "the thread is still in its own apartment";
}

}  // namespace
}  // namespace ks::raster

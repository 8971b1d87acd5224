// PNG page decoding under Wine. Prints figures only:
// - the time of decodePng (conversion, flattening and digest included)
//   against a bare WIC decode of the same PNG to 32bppPBGRA, into a buffer
//   allocated once and into one allocated for the decode (as every page needs
//   fresh memory), for a label, an A4 page at 300 dpi and a page of the
//   per-page pixel limit; median of per-round ratios, rounds alternating;
// - the peak private bytes of preparing a job of 8 pages from 8 PNG blobs of
//   nearly 32 MiB each (noise, so they do not compress) that decode to
//   256 MiB, against the blobs plus the pixels.

#include <windows.h>
// <wincodec.h> and <psapi.h> need the types of <windows.h>.
#include <psapi.h>
#include <wincodec.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_preparation.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/com_ptr.h"
#include "printing/capability_source.h"
#include "protocol/frame.h"
#include "raster/page_limits.h"
#include "raster/win32/png_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;
using ks::platform::UniqueComPtr;
using ks::protocol::ByteBuffer;

constexpr int kRounds = 7;

void check(HRESULT result, const char* what) {
    if (FAILED(result)) throw std::runtime_error(std::string(what) + " failed");
}

UniqueComPtr<IWICImagingFactory> imagingFactory() {
    UniqueComPtr<IWICImagingFactory> factory;
    check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(factory.put())),
          "CoCreateInstance");
    return factory;
}

// Encodes width × height 32bppBGRA pixels, rows made by fillRow, as an RGBA
// PNG through WIC's own encoder.
template <typename FillRow>
ByteBuffer encodePng(UINT width, UINT height, FillRow&& fillRow) {
    auto factory = imagingFactory();
    UniqueComPtr<IStream> memory;
    check(::CreateStreamOnHGlobal(nullptr, TRUE, memory.put()), "CreateStreamOnHGlobal");
    UniqueComPtr<IWICBitmapEncoder> encoder;
    check(factory.get()->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()), "CreateEncoder");
    check(encoder.get()->Initialize(memory.get(), WICBitmapEncoderNoCache), "encoder Initialize");
    UniqueComPtr<IWICBitmapFrameEncode> frame;
    check(encoder.get()->CreateNewFrame(frame.put(), nullptr), "CreateNewFrame");
    check(frame.get()->Initialize(nullptr), "frame Initialize");
    check(frame.get()->SetSize(width, height), "SetSize");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    check(frame.get()->SetPixelFormat(&format), "SetPixelFormat");
    if (format != GUID_WICPixelFormat32bppBGRA) throw std::runtime_error("encoder wants another pixel format");
    // A band of rows at a time keeps the source small next to the pages.
    constexpr UINT kBand = 256;
    std::vector<std::uint8_t> band(std::size_t{width} * 4 * kBand);
    for (UINT y = 0; y < height; y += kBand) {
        const UINT rows = std::min(kBand, height - y);
        for (UINT row = 0; row < rows; ++row) fillRow(y + row, band.data() + std::size_t{row} * width * 4);
        check(frame.get()->WritePixels(rows, width * 4, width * 4 * rows, band.data()), "WritePixels");
    }
    check(frame.get()->Commit(), "frame Commit");
    check(encoder.get()->Commit(), "encoder Commit");

    STATSTG stat{};
    check(memory.get()->Stat(&stat, STATFLAG_NONAME), "Stat");
    ByteBuffer png(static_cast<std::size_t>(stat.cbSize.QuadPart));
    check(memory.get()->Seek({}, STREAM_SEEK_SET, nullptr), "Seek");
    ULONG read = 0;
    check(memory.get()->Read(png.data(), static_cast<ULONG>(png.size()), &read), "Read");
    if (read != png.size()) throw std::runtime_error("short read of the encoded PNG");
    return png;
}

// A printed page: white paper, lines of dark "text" blocks with anti-aliased
// edges, and a grey gradient band: what clients render for labels and pages.
ByteBuffer pagePng(UINT width, UINT height) {
    return encodePng(width, height, [width, height](UINT y, std::uint8_t* row) {
        const UINT line = y % 48;
        const bool inGradient = y > height * 3 / 4 && y < height * 3 / 4 + height / 16;
        for (UINT x = 0; x < width; ++x) {
            std::uint8_t value = 255;
            if (inGradient) {
                value = static_cast<std::uint8_t>(255 * x / width);
            } else if (line >= 8 && line < 32 && x > 40 && x < width - 40) {
                const UINT glyph = (x + 7 * (y / 48)) % 29;
                if (glyph < 18) value = glyph == 0 || glyph == 17 ? 128 : 16;
            }
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = value;
            row[4 * x + 3] = 255;
        }
    });
}

// Writes big-endian integers and bytes into a buffer of the exact size.
class PngWriter {
public:
    explicit PngWriter(std::size_t size) : png_(size) {}

    void bytes(const void* data, std::size_t size) {
        std::memcpy(png_.data() + at_, data, size);
        at_ += size;
    }
    void byte(std::uint8_t value) { png_.data()[at_++] = value; }
    void u16le(std::uint16_t value) {
        byte(static_cast<std::uint8_t>(value));
        byte(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) byte(static_cast<std::uint8_t>(value >> shift));
    }
    std::uint8_t* reserve(std::size_t size) {
        at_ += size;
        return png_.data() + at_ - size;
    }
    std::size_t at() const { return at_; }
    const std::uint8_t* data() const { return png_.data(); }
    ByteBuffer finish() {
        if (at_ != png_.size()) throw std::logic_error("PNG size miscounted");
        return std::move(png_);
    }

private:
    ByteBuffer png_;
    std::size_t at_ = 0;
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// An RGBA noise PNG whose image data is stored in uncompressed deflate
// blocks: noise does not compress, so any encoder would write about the same
// size, and this one is quick where a real encoder spends minutes on it.
ByteBuffer noisePng(std::uint32_t width, std::uint32_t height, std::uint64_t seed) {
    constexpr std::size_t kStoredBlock = 65535;
    const std::size_t rowBytes = 1 + std::size_t{width} * 4;  // filter byte + pixels
    const std::size_t raw = rowBytes * height;
    const std::size_t blocks = (raw + kStoredBlock - 1) / kStoredBlock;
    const std::size_t idat = 2 + raw + 5 * blocks + 4;  // zlib header, blocks, Adler-32
    PngWriter png(8 + 25 + 12 + idat + 12);
    png.bytes("\x89PNG\r\n\x1a\n", 8);

    const auto chunk = [&png](const char* type, std::size_t length, auto&& writeData) {
        png.u32(static_cast<std::uint32_t>(length));
        const std::size_t start = png.at();
        png.bytes(type, 4);
        writeData();
        png.u32(crc32(png.data() + start, png.at() - start));
    };
    chunk("IHDR", 13, [&] {
        png.u32(width);
        png.u32(height);
        for (const std::uint8_t value : {8, 6, 0, 0, 0}) png.byte(value);  // 8-bit RGBA, not interlaced
    });
    chunk("IDAT", idat, [&] {
        std::vector<std::uint8_t> image(raw);
        std::uint64_t state = seed;
        for (std::size_t i = 0; i < raw; i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(image.data() + i, &state, std::min<std::size_t>(8, raw - i));
        }
        for (std::size_t row = 0; row < height; ++row) image[row * rowBytes] = 0;  // filter: none
        png.byte(0x78);
        png.byte(0x01);
        std::uint32_t a = 1;
        std::uint32_t b = 0;
        for (std::size_t offset = 0; offset < raw; offset += kStoredBlock) {
            const auto size = static_cast<std::uint16_t>(std::min(kStoredBlock, raw - offset));
            png.byte(offset + size == raw ? 1 : 0);
            png.u16le(size);
            png.u16le(static_cast<std::uint16_t>(~size));
            png.bytes(image.data() + offset, size);
            for (std::size_t i = 0; i < size; ++i) {
                a = (a + image[offset + i]) % 65521;
                b = (b + a) % 65521;
            }
        }
        png.u32(b << 16 | a);
    });
    chunk("IEND", 0, [] {});
    return png.finish();
}

// The bare decode: the same WIC steps into a buffer the caller allocated.
void bareDecode(const ByteBuffer& png, UINT width, UINT height, ByteBuffer& pixels) {
    auto factory = imagingFactory();
    UniqueComPtr<IWICStream> stream;
    check(factory.get()->CreateStream(stream.put()), "CreateStream");
    check(stream.get()->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size())),
          "InitializeFromMemory");
    UniqueComPtr<IWICBitmapDecoder> decoder;
    check(factory.get()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.put()),
          "CreateDecoderFromStream");
    UniqueComPtr<IWICBitmapFrameDecode> frame;
    check(decoder.get()->GetFrame(0, frame.put()), "GetFrame");
    UniqueComPtr<IWICFormatConverter> converter;
    check(factory.get()->CreateFormatConverter(converter.put()), "CreateFormatConverter");
    check(converter.get()->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                      0.0, WICBitmapPaletteTypeCustom),
          "converter Initialize");
    check(converter.get()->CopyPixels(nullptr, width * 4, width * 4 * height, pixels.data()), "CopyPixels");
}

double seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

struct Timings {
    double bareWarm = 1e9;   // best bare decode into the buffer allocated once
    double bareFresh = 1e9;  // best bare decode into a buffer allocated for it
    double full = 1e9;       // best decodePng
    std::vector<double> warmRatios;
    std::vector<double> freshRatios;
};

double median(std::vector<double> values) {
    std::ranges::sort(values);
    return values[values.size() / 2];
}

void compareDecodes(const char* label, UINT width, UINT height) {
    const auto png = std::make_shared<const ByteBuffer>(pagePng(width, height));
    const std::size_t pixelBytes = std::size_t{width} * height * 4;
    ByteBuffer warm(pixelBytes);
    Timings timings;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        bareDecode(*png, width, height, warm);
        const double bareWarm = seconds(Clock::now() - start);

        start = Clock::now();
        ByteBuffer fresh(pixelBytes);
        bareDecode(*png, width, height, fresh);
        const double bareFresh = seconds(Clock::now() - start);

        start = Clock::now();
        const auto page = ks::raster::decodePng(png, width, height);
        const double full = seconds(Clock::now() - start);
        if (!page) throw std::runtime_error("decodePng failed");

        timings.warmRatios.push_back(full / bareWarm);
        timings.freshRatios.push_back(full / bareFresh);
        timings.bareWarm = std::min(timings.bareWarm, bareWarm);
        timings.bareFresh = std::min(timings.bareFresh, bareFresh);
        timings.full = std::min(timings.full, full);
    }
    std::printf("%s, %u x %u, PNG %.2f MiB:\n", label, width, height, double(png->size()) / 1048576.0);
    std::printf("  bare WIC decode, buffer allocated once: %8.1f ms (%.1f Mpx/s)\n", 1e3 * timings.bareWarm,
                double(width) * height / 1e6 / timings.bareWarm);
    std::printf("  bare WIC decode, buffer allocated anew: %8.1f ms\n", 1e3 * timings.bareFresh);
    std::printf("  decodePng:                              %8.1f ms\n", 1e3 * timings.full);
    std::printf("  ratio decodePng / bare (once, anew):    %8.2f %8.2f\n", median(timings.warmRatios),
                median(timings.freshRatios));
}

class FixedPrinter final : public ks::printing::ICapabilitySource {
public:
    ks::Result<ks::platform::PrinterCapabilities> capabilities(std::string_view printerId) override {
        ks::platform::PrinterCapabilities printer;
        printer.printerId = printerId;
        printer.dpiX = printer.dpiY = 300;
        printer.capabilityHash = std::string(64, 'a');
        return printer;
    }
};

PROCESS_MEMORY_COUNTERS_EX memoryCounters() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof counters)) {
        throw std::runtime_error("GetProcessMemoryInfo failed");
    }
    return counters;
}

double mebibytes(std::uint64_t bytes) { return double(bytes) / 1048576.0; }

// Runs first: the peak counter covers the whole process, so nothing larger
// may have come before.
void measurePreparationMemory() {
    // 8 × 8000 × 1048 × 4 bytes is just under the job budget, and each PNG
    // just under the blob limit.
    constexpr UINT kWidth = 8000;
    constexpr UINT kHeight = 1048;
    constexpr std::size_t kPages = 8;
    // Committed private bytes: PagefileUsage, which is what PrivateUsage
    // reports on Windows; Wine leaves PrivateUsage unchanged.
    const std::uint64_t before = memoryCounters().PagefileUsage;
    const auto generation = Clock::now();

    ks::protocol::PrintJobRequest request;
    request.clientJobId = "bench";
    request.printerId = std::string(64, 'b');
    request.copies = 1;
    request.widthMm = request.heightMm = 100;
    request.dpiX = request.dpiY = 300;
    request.capabilityHash = std::string(64, 'a');
    ks::protocol::Blobs blobs;
    std::uint64_t blobBytes = 0;
    for (std::size_t i = 0; i < kPages; ++i) {
        blobs.push_back(noisePng(kWidth, kHeight, 0x9E3779B97F4A7C15ull * (i + 1)));
        if (blobs.back().size() > ks::raster::kMaxPngBytes) throw std::runtime_error("noise PNG over the blob limit");
        blobBytes += blobs.back().size();
        request.pages.push_back({kWidth, kHeight, "png", static_cast<std::uint32_t>(i)});
    }
    const auto ready = memoryCounters();
    std::printf("noise PNGs made in %.1f s\n", seconds(Clock::now() - generation));
    const std::uint64_t pixelBytes = std::uint64_t{kWidth} * kHeight * 4 * kPages;

    FixedPrinter printer;
    ks::jobs::JobPreparation preparation(printer, ks::raster::decodePng);
    const auto start = Clock::now();
    const auto prepared = preparation.prepareJob(request, std::move(blobs));
    const double elapsed = seconds(Clock::now() - start);
    if (!prepared) throw std::runtime_error("prepareJob failed");
    const auto after = memoryCounters();

    const std::uint64_t peak = after.PeakPagefileUsage - before;
    std::printf("prepareJob, %zu pages of %u x %u from noise PNGs: %.2f s\n", kPages, kWidth, kHeight, elapsed);
    std::printf("  blobs %.1f MiB (largest %zu bytes) + pixels %.1f MiB = %.1f MiB\n", mebibytes(blobBytes),
                std::ranges::max(*prepared.value().pages, {}, [](const auto& page) { return page.png->size(); })
                    .png->size(),
                mebibytes(pixelBytes), mebibytes(blobBytes + pixelBytes));
    std::printf("  private bytes: %.1f MiB with the blobs read, peak %.1f MiB (peak before prepareJob %.1f MiB)\n",
                mebibytes(ready.PagefileUsage - before), mebibytes(peak),
                mebibytes(ready.PeakPagefileUsage - before));
    std::printf("  peak / (blobs + pixels): %.3f\n", double(peak) / double(blobBytes + pixelBytes));
}

}  // namespace

int main() {
    try {
        const ks::platform::ComApartment apartment(COINIT_MULTITHREADED);
        if (!apartment.usable()) throw std::runtime_error("CoInitializeEx failed");
        measurePreparationMemory();
        std::printf("decodePng (conversion, flattening, digest) against bare WIC decodes, median ratio of %d rounds\n",
                    kRounds);
        compareDecodes("label", 812, 1218);
        compareDecodes("A4 at 300 dpi", 2480, 3508);
        compareDecodes("per-page limit", 8192, 8192);
        std::fflush(stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "raster_bench: %s\n", error.what());
        return 1;
    }
}

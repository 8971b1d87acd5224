// Throughput of the request path without the pipe: frames read from memory
// and requests validated, for a typical 200-page print job and for a 1 MiB
// JSON text. Prints figures; asserts nothing about speed.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/request_parser.h"

namespace {

using Clock = std::chrono::steady_clock;
using ks::protocol::ByteBuffer;

constexpr std::int64_t kNowUtcMs = 1'765'000'000'000;
constexpr std::size_t kPages = 200;
constexpr std::size_t kPngBytes = 24 * 1024;  // a typical label page

class MemorySource final : public ks::protocol::IByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool readExact(void* buffer, std::size_t length) override {
        if (length > bytes_.size() - offset_) return false;
        if (length != 0) std::memcpy(buffer, bytes_.data() + offset_, length);
        offset_ += length;
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t offset_ = 0;
};

std::string printRequest(std::size_t pages, const std::string& name) {
    std::string json = R"({"protocol":1,"requestId":"0b7f7f9e-3c1a-4d7e-9a51-2f7c0e6b8a11","callerId":"warehouse-app",)"
                       R"("timestampUtcMs":1765000000000,"command":"jobs.print","job":{)"
                       R"("clientJobId":"6f1c2d3e-4b5a-4978-8c6d-5e4f3a2b1c0d","name":")" +
                       name + R"(","printerId":")" + std::string(64, 'a') +
                       R"(","copies":1,"paper":{"widthMm":100,"heightMm":150},)"
                       R"("device":{"dpiX":203,"dpiY":203,"capabilityHash":")" +
                       std::string(64, 'b') + R"("},"pages":[)";
    for (std::size_t i = 0; i < pages; ++i) {
        if (i != 0) json += ',';
        json += R"({"widthDots":799,"heightDots":1199,"format":"png","blobIndex":)" + std::to_string(i) + "}";
    }
    json += "]}}";
    return json;
}

template <typename Body>
void measure(const char* label, double bytesPerRun, Body&& body) {
    std::size_t runs = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration::zero();
    while (elapsed < std::chrono::seconds(2)) {
        body();
        ++runs;
        elapsed = Clock::now() - start;
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    std::printf("%-58s %10.1f /s  %8.1f MiB/s\n", label, runs / seconds, runs * bytesPerRun / seconds / 1048576.0);
    std::fflush(stdout);
}

void benchmarkFrame(const char* label, const std::string& json, std::size_t blobCount, std::size_t blobBytes) {
    std::vector<ByteBuffer> blobs;
    for (std::size_t i = 0; i < blobCount; ++i) {
        blobs.emplace_back(blobBytes);
        std::memset(blobs.back().data(), static_cast<int>(i), blobBytes);
    }
    const auto frame = ks::protocol::encodeFrame(json, blobs).value();
    const std::string readLabel = std::string("read frame: ") + label;
    measure(readLabel.c_str(), static_cast<double>(frame.size()), [&] {
        MemorySource source(frame);
        if (!ks::protocol::readFrame(source)) std::abort();
    });
    const std::string parseLabel = std::string("validate request: ") + label;
    measure(parseLabel.c_str(), static_cast<double>(json.size()), [&] {
        if (!ks::protocol::parseRequest(json, blobCount, kNowUtcMs)) std::abort();
    });
}

}  // namespace

int main() {
    const std::string typical = printRequest(kPages, "出库单 SO-2026-000187");
    std::printf("typical jobs.print: %zu pages, JSON %zu bytes, %zu KiB PNG per page\n", kPages, typical.size(),
                kPngBytes / 1024);
    benchmarkFrame("jobs.print, 200 pages", typical, kPages, kPngBytes);

    // The largest JSON a frame may carry, made of one long job name.
    const std::size_t padding = ks::protocol::kMaxJsonLength - printRequest(1, "").size();
    const std::string large = printRequest(1, std::string(padding, 'x'));
    std::printf("1 MiB JSON: %zu bytes, 1 page\n", large.size());
    benchmarkFrame("1 MiB JSON, 1 page", large, 1, kPngBytes);
    return 0;
}

// Feeds arbitrary bytes to the frame reader as one connection's stream. Every
// frame it accepts must encode back to exactly the bytes it consumed, so the
// reader and the encoder agree on the layout and on the limits.
//
// A hostile header makes the reader allocate the declared blob length before
// the bytes arrive (up to 32 MiB a blob, 256 MiB a frame, as designed), so run
// with -rss_limit_mb=2048 or more.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "protocol/frame.h"

namespace {

class FuzzSource final : public ks::protocol::IByteSource {
public:
    FuzzSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // A read the input cannot satisfy fails at once without copying: the reader
    // drops the frame anyway, and skipping the copy keeps iterations fast.
    bool readExact(void* buffer, std::size_t length) override {
        if (length > size_ - consumed_) {
            consumed_ = size_;
            return false;
        }
        if (length != 0) std::memcpy(buffer, data_ + consumed_, length);
        consumed_ += length;
        return true;
    }

    std::size_t consumed() const { return consumed_; }
    const std::uint8_t* data() const { return data_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t consumed_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSource source(data, size);
    // Each accepted frame consumes at least its 8 header bytes, so this ends.
    for (;;) {
        const std::size_t start = source.consumed();
        const auto frame = ks::protocol::readFrame(source);
        if (!frame) return 0;

        const auto encoded = ks::protocol::encodeFrame(frame->json, frame->blobs);
        if (!encoded) std::abort();  // the reader let through a frame over a limit
        const auto& bytes = encoded.value();
        const std::size_t consumed = source.consumed() - start;
        if (bytes.size() != consumed || !std::equal(bytes.begin(), bytes.end(), source.data() + start)) std::abort();
    }
}

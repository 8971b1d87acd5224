#include "protocol/frame.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "protocol/error_catalog.h"

namespace ks::protocol {

ByteBuffer::ByteBuffer(std::size_t size)
    : data_(size == 0 ? nullptr : std::make_unique_for_overwrite<std::uint8_t[]>(size)), size_(size) {}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    return *this;
}

ByteBuffer ByteBuffer::copyOf(std::span<const std::uint8_t> bytes) {
    ByteBuffer copy(bytes.size());
    std::ranges::copy(bytes, copy.data());
    return copy;
}

namespace {

// Integers are taken apart and put together byte by byte, least significant
// first, so the wire format does not depend on the host's byte order.
template <typename Put>
constexpr void putLittleEndian(std::uint64_t value, std::size_t width, Put&& put) {
    for (std::size_t i = 0; i < width; ++i) put(static_cast<std::uint8_t>(value >> (8 * i)));
}

template <std::size_t Width>
std::optional<std::uint64_t> readLittleEndian(IByteSource& source) {
    std::array<std::uint8_t, Width> bytes{};
    if (!source.readExact(bytes.data(), bytes.size())) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = Width; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

// Zero-length fields are skipped rather than handed to the source, so an empty
// JSON text or blob never depends on how a source treats a null buffer.
[[nodiscard]] bool readBytes(IByteSource& source, void* buffer, std::size_t length) {
    return length == 0 || source.readExact(buffer, length);
}

// Reads and discards `length` bytes through a small stack buffer: used when
// there is no memory to keep them.
[[nodiscard]] bool skipBytes(IByteSource& source, std::uint64_t length) {
    std::array<std::uint8_t, 16 * 1024> scratch;
    while (length > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, scratch.size()));
        if (!source.readExact(scratch.data(), chunk)) return false;
        length -= chunk;
    }
    return true;
}

// Written as a subtraction so that it cannot overflow; callers have already
// checked `length` against kMaxBlobLength, which keeps the right side positive.
constexpr bool exceedsTotal(std::uint64_t runningTotal, std::uint64_t length) {
    return runningTotal > kMaxTotalBlobBytes - length;
}
static_assert(kMaxBlobLength <= kMaxTotalBlobBytes);

}  // namespace

std::optional<RequestFrame> readFrame(IByteSource& source) {
    RequestFrame frame;
    // When memory runs out, what was read so far is released and the rest of
    // the frame is read and discarded, so the connection stays in step with
    // the client and can carry its next request after the canned answer.
    bool outOfMemory = false;
    const auto tryAllocate = [&](auto&& allocate) {
        if (outOfMemory) return false;
        try {
            allocate();
            return true;
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            frame = RequestFrame{};
            return false;
        }
    };

    const auto jsonLength = readLittleEndian<4>(source);
    if (!jsonLength || *jsonLength > kMaxJsonLength) return std::nullopt;
    // resize() zero-fills, but the JSON text is at most 1 MiB and std::string
    // has no uninitialised resize before C++23.
    const bool jsonKept = tryAllocate([&] { frame.json.resize(static_cast<std::size_t>(*jsonLength)); });
    if (!(jsonKept ? readBytes(source, frame.json.data(), frame.json.size()) : skipBytes(source, *jsonLength))) {
        return std::nullopt;
    }

    const auto blobCount = readLittleEndian<4>(source);
    if (!blobCount || *blobCount > kMaxBlobCount) return std::nullopt;
    // At most 200 small handles; reserving keeps the list from reallocating
    // while the blobs arrive.
    tryAllocate([&] { frame.blobs.reserve(static_cast<std::size_t>(*blobCount)); });

    std::uint64_t runningTotal = 0;
    for (std::uint64_t index = 0; index < *blobCount; ++index) {
        const auto length = readLittleEndian<8>(source);
        if (!length || *length > kMaxBlobLength || exceedsTotal(runningTotal, *length)) return std::nullopt;
        const bool blobKept = tryAllocate([&] { frame.blobs.emplace_back(static_cast<std::size_t>(*length)); });
        if (!(blobKept ? readBytes(source, frame.blobs.back().data(), frame.blobs.back().size())
                       : skipBytes(source, *length))) {
            return std::nullopt;
        }
        runningTotal += *length;
    }
    if (outOfMemory) throw std::bad_alloc();
    return frame;
}

Result<std::vector<std::uint8_t>> encodeFrame(std::string_view json, std::span<const ByteBuffer> blobs) {
    const auto tooLarge = [] { return Error(codes::kFrameTooLarge, messages::kFrameTooLarge); };
    if (json.size() > kMaxJsonLength || blobs.size() > kMaxBlobCount) return tooLarge();
    // The same tests as when reading, so whatever this side sends the other
    // side accepts.
    std::uint64_t totalBlobBytes = 0;
    for (const ByteBuffer& blob : blobs) {
        if (blob.size() > kMaxBlobLength || exceedsTotal(totalBlobBytes, blob.size())) return tooLarge();
        totalBlobBytes += blob.size();
    }

    // Within the limits this is below 300 MiB, so it fits any size_t.
    const std::size_t frameLength = 4 + json.size() + 4 + 8 * blobs.size() + static_cast<std::size_t>(totalBlobBytes);
    std::vector<std::uint8_t> frame;
    frame.reserve(frameLength);
    const auto put = [&frame](std::uint8_t byte) { frame.push_back(byte); };
    putLittleEndian(json.size(), 4, put);
    frame.insert(frame.end(), json.begin(), json.end());
    putLittleEndian(blobs.size(), 4, put);
    for (const ByteBuffer& blob : blobs) {
        putLittleEndian(blob.size(), 8, put);
        frame.insert(frame.end(), blob.span().begin(), blob.span().end());
    }
    return frame;
}

namespace {

// Written out rather than assembled at run time: sending it must not need any
// memory. A test checks it against the catalogue's code and message.
constexpr std::string_view kOutOfMemoryJson =
    R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-3003","message":"请求处理内存不足，请减少页数或尺寸后重试"}})";
static_assert(kOutOfMemoryJson.size() == 141);

constexpr std::array<std::uint8_t, 149> makeOutOfMemoryFrame() {
    std::array<std::uint8_t, 149> frame{};
    std::size_t at = 0;
    const auto put = [&frame, &at](std::uint8_t byte) { frame[at++] = byte; };
    putLittleEndian(kOutOfMemoryJson.size(), 4, put);
    for (const char c : kOutOfMemoryJson) put(static_cast<std::uint8_t>(c));
    putLittleEndian(0, 4, put);  // no blobs
    return frame;
}

constexpr auto kOutOfMemoryFrame = makeOutOfMemoryFrame();

}  // namespace

std::span<const std::uint8_t> outOfMemoryFrame() noexcept { return kOutOfMemoryFrame; }

}  // namespace ks::protocol

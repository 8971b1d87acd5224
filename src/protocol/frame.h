#pragma once

// Frames on the pipe: a JSON text followed by zero or more binary blobs.
//
//   JSON length   4 bytes, little-endian     at most kMaxJsonLength
//   JSON text     JSON length bytes, UTF-8, no terminator
//   blob count    4 bytes, little-endian     at most kMaxBlobCount
//   per blob:     length 8 bytes, little-endian (at most kMaxBlobLength),
//                 then that many bytes
//
// The lengths of all blobs of one frame add up to at most kMaxTotalBlobBytes.
// Requests and responses share the layout; responses never carry blobs.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/result.h"

namespace ks::protocol {

inline constexpr std::uint32_t kMaxJsonLength = 1'048'576;
inline constexpr std::uint32_t kMaxBlobCount = 200;
inline constexpr std::uint64_t kMaxBlobLength = 33'554'432;
inline constexpr std::uint64_t kMaxTotalBlobBytes = 268'435'456;
// The pipe's buffer size; no single read or write on the pipe is larger.
inline constexpr std::uint32_t kMaxTransferLength = 65'536;

// An owned, move-only byte buffer of a fixed size. The contents start
// uninitialised: blobs are up to 32 MiB each and are overwritten by the read
// straight away, so zero-filling them first would only cost time.
class ByteBuffer {
public:
    ByteBuffer() noexcept = default;
    // Allocates exactly `size` bytes with unspecified contents. A size of 0
    // allocates nothing. Throws std::bad_alloc when memory is exhausted.
    explicit ByteBuffer(std::size_t size);

    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() = default;

    // A buffer holding a copy of `bytes`.
    static ByteBuffer copyOf(std::span<const std::uint8_t> bytes);

    // Null when the buffer is empty.
    std::uint8_t* data() noexcept { return data_.get(); }
    const std::uint8_t* data() const noexcept { return data_.get(); }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }

    std::span<std::uint8_t> span() noexcept { return {data_.get(), size_}; }
    std::span<const std::uint8_t> span() const noexcept { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

// The blobs of one frame, in frame order; a page names its blob by index.
using Blobs = std::vector<ByteBuffer>;

// Where frames are read from: a pipe connection in the service, a byte string
// in tests and fuzzers.
class IByteSource {
public:
    IByteSource() = default;
    IByteSource(const IByteSource&) = delete;
    IByteSource& operator=(const IByteSource&) = delete;
    virtual ~IByteSource() = default;

    // Reads exactly `length` bytes into `buffer`, which the caller owns and
    // which holds at least `length` bytes.
    // Returns true when all `length` bytes were stored. Returns false when the
    // peer closed, an I/O error occurred or the server is stopping; the
    // contents of `buffer` are then unspecified and the caller abandons the
    // connection without reading from it again. A length of 0 returns true
    // without touching `buffer` (which may then be null).
    // Called from one thread at a time: the thread serving the connection.
    [[nodiscard]] virtual bool readExact(void* buffer, std::size_t length) = 0;
};

// One request as read from the pipe.
struct RequestFrame {
    std::string json;  // the JSON bytes as received; not checked as UTF-8 here
    Blobs blobs;
};

// Reads one frame. Returns nullopt when the source fails or a header exceeds
// a limit; the connection is then to be closed without an answer. Every limit
// is checked as soon as its field is read and before anything is allocated
// for the data behind it, so a hostile header cannot make the reader allocate
// beyond the limits. Reads nothing past the end of the frame.
// Throws std::bad_alloc when memory runs out, but only after the whole frame
// has been read (and discarded), so the caller can answer with
// outOfMemoryFrame() and go on with the next request on the connection.
std::optional<RequestFrame> readFrame(IByteSource& source);

// The complete frame as one contiguous buffer, allocated once at its exact
// size. Fails with KSR-1003 when the JSON text or the blobs exceed a limit.
// Throws std::bad_alloc when memory is exhausted.
Result<std::vector<std::uint8_t>> encodeFrame(std::string_view json, std::span<const ByteBuffer> blobs = {});

// The 149-byte response written when a request cannot be processed for lack of
// memory (KSR-3003, empty request id). Static storage: writing it allocates
// nothing.
std::span<const std::uint8_t> outOfMemoryFrame() noexcept;

}  // namespace ks::protocol

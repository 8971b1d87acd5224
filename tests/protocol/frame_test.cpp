#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/allocation_failure.h"

namespace ks::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A byte stream put together from runs: literal bytes for headers and JSON,
// and synthetic runs for blob data, so that a 256 MiB frame needs no 256 MiB
// script. The stream can be cut short to act as a peer that closes mid-frame.
class ScriptedSource final : public IByteSource {
public:
    ScriptedSource& bytes(std::span<const std::uint8_t> data) {
        if (!data.empty()) runs_.push_back({Run::Kind::Literal, Bytes(data.begin(), data.end()), data.size(), 0});
        return *this;
    }
    ScriptedSource& text(std::string_view data) {
        return bytes({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    }
    ScriptedSource& u32(std::uint64_t value) { return littleEndian(value, 4); }
    ScriptedSource& u64(std::uint64_t value) { return littleEndian(value, 8); }
    // `count` bytes of `value`, written into the reader's buffer.
    ScriptedSource& fill(std::uint64_t count, std::uint8_t value) { return add({Run::Kind::Fill, {}, count, value}); }
    // `count` bytes that are delivered without being written, for frames that
    // are going to be dropped: their buffers cost address space, not memory.
    ScriptedSource& unwritten(std::uint64_t count) { return add({Run::Kind::Unwritten, {}, count, 0}); }
    // The peer closes after `count` bytes of the script.
    ScriptedSource& closeAfter(std::uint64_t count) {
        closeAt_ = count;
        return *this;
    }

    bool readExact(void* buffer, std::size_t length) override {
        const std::uint64_t end = std::min(closeAt_, scriptedLength());
        const std::uint64_t available = end - consumed_;
        const bool complete = length <= available;
        // Like a pipe, a short stream delivers what it has before failing.
        std::uint64_t remaining = complete ? length : available;
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (remaining > 0) {
            const Run& run = runs_[run_];
            const std::uint64_t n = std::min(remaining, run.length - offset_);
            if (run.kind == Run::Kind::Literal) std::memcpy(out, run.literal.data() + offset_, n);
            if (run.kind == Run::Kind::Fill) std::memset(out, run.value, n);
            out += n;
            remaining -= n;
            offset_ += n;
            consumed_ += n;
            if (offset_ == run.length) {
                ++run_;
                offset_ = 0;
            }
        }
        return complete;
    }

    std::uint64_t consumed() const { return consumed_; }
    std::uint64_t scriptedLength() const {
        std::uint64_t total = 0;
        for (const Run& run : runs_) total += run.length;
        return total;
    }

private:
    struct Run {
        enum class Kind { Literal, Fill, Unwritten } kind;
        Bytes literal;
        std::uint64_t length;
        std::uint8_t value;
    };

    ScriptedSource& add(Run run) {
        if (run.length != 0) runs_.push_back(std::move(run));
        return *this;
    }
    ScriptedSource& littleEndian(std::uint64_t value, int width) {
        Bytes data;
        for (int i = 0; i < width; ++i) data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return bytes(data);
    }

    std::vector<Run> runs_;
    std::size_t run_ = 0;
    std::uint64_t offset_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint64_t closeAt_ = std::numeric_limits<std::uint64_t>::max();
};

Bytes contentOf(const ByteBuffer& buffer) { return Bytes(buffer.span().begin(), buffer.span().end()); }

Blobs blobsOf(std::initializer_list<Bytes> contents) {
    Blobs blobs;
    for (const Bytes& content : contents) blobs.push_back(ByteBuffer::copyOf(content));
    return blobs;
}

void expectFrameTooLarge(const Result<Bytes>& result) {
    ASSERT_FALSE(result.hasValue());
    EXPECT_EQ(result.error().code(), "KSR-1003");
    EXPECT_EQ(result.error().message(), L"消息帧超过允许大小");
}

TEST(ByteBuffer, MoveLeavesTheSourceEmpty) {
    ByteBuffer source = ByteBuffer::copyOf(Bytes{1, 2, 3});
    ByteBuffer moved(std::move(source));
    EXPECT_EQ(contentOf(moved), (Bytes{1, 2, 3}));
    EXPECT_EQ(source.size(), 0u);  // NOLINT(bugprone-use-after-move): the state after a move is the point
    EXPECT_EQ(source.data(), nullptr);

    ByteBuffer assigned(5);
    assigned = std::move(moved);
    EXPECT_EQ(contentOf(assigned), (Bytes{1, 2, 3}));
    EXPECT_TRUE(moved.empty());  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(moved.span().empty());
}

TEST(FrameReader, ReadsJsonAndBlobsInFrameOrder) {
    ScriptedSource source;
    source.u32(7).text(R"({"a":1})").u32(3).u64(3).bytes(Bytes{1, 2, 3}).u64(0).u64(1).bytes(Bytes{0xFF});

    const auto frame = readFrame(source);

    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->json, R"({"a":1})");
    ASSERT_EQ(frame->blobs.size(), 3u);
    EXPECT_EQ(contentOf(frame->blobs[0]), (Bytes{1, 2, 3}));
    EXPECT_TRUE(frame->blobs[1].empty());
    EXPECT_EQ(contentOf(frame->blobs[2]), (Bytes{0xFF}));
    EXPECT_EQ(source.consumed(), source.scriptedLength());
}

TEST(FrameReader, AssemblesLengthsLeastSignificantByteFirst) {
    // 0x000003 as JSON length, then a blob whose length has only high bits set:
    // a reader that keeps the low 32 bits would take it for an empty blob.
    ScriptedSource ok;
    ok.bytes(Bytes{0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c', 0x00, 0x00, 0x00, 0x00});
    const auto frame = readFrame(ok);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->json, "abc");
    EXPECT_TRUE(frame->blobs.empty());

    ScriptedSource highBits;
    highBits.bytes(Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
    EXPECT_FALSE(readFrame(highBits));
    EXPECT_EQ(highBits.consumed(), 16u);
}

// Each case scripts more input than the frame needs, so a dropped frame is
// dropped by the limit and not by running out of input; `consumed` shows how
// far the reader got before it gave up.
TEST(FrameReader, LimitsAreCheckedBeforeTheDataBehindThem) {
    constexpr std::uint64_t kHeader = 4 + 4;  // empty JSON text and blob count
    struct Case {
        const char* name;
        std::function<void(ScriptedSource&)> script;
        bool accepted;
        std::uint64_t consumed;
    };
    const Case cases[] = {
        {"JSON at the limit", [](ScriptedSource& s) { s.u32(kMaxJsonLength).fill(kMaxJsonLength, '"').u32(0); }, true,
         4 + kMaxJsonLength + 4},
        {"JSON one past the limit",
         [](ScriptedSource& s) { s.u32(kMaxJsonLength + 1).fill(kMaxJsonLength + 1, '"').u32(0); }, false, 4},
        {"JSON length all ones", [](ScriptedSource& s) { s.u32(0xFFFFFFFF).fill(64, '"'); }, false, 4},
        {"blob count at the limit",
         [](ScriptedSource& s) {
             s.u32(0).u32(kMaxBlobCount);
             for (std::uint32_t i = 0; i < kMaxBlobCount; ++i) s.u64(0);
         },
         true, kHeader + 8 * kMaxBlobCount},
        {"blob count one past the limit",
         [](ScriptedSource& s) {
             s.u32(0).u32(kMaxBlobCount + 1);
             for (std::uint32_t i = 0; i <= kMaxBlobCount; ++i) s.u64(0);
         },
         false, kHeader},
        {"blob count all ones", [](ScriptedSource& s) { s.u32(0).u32(0xFFFFFFFF).u64(0); }, false, kHeader},
        {"blob at the limit", [](ScriptedSource& s) { s.u32(0).u32(1).u64(kMaxBlobLength).fill(kMaxBlobLength, 7); },
         true, kHeader + 8 + kMaxBlobLength},
        {"blob one past the limit",
         [](ScriptedSource& s) { s.u32(0).u32(1).u64(kMaxBlobLength + 1).unwritten(kMaxBlobLength + 1); }, false,
         kHeader + 8},
        // Would throw from the allocation if it were tried before the check.
        {"blob length all ones",
         [](ScriptedSource& s) { s.u32(0).u32(1).u64(std::numeric_limits<std::uint64_t>::max()).unwritten(64); }, false,
         kHeader + 8},
        {"oversized second blob",
         [](ScriptedSource& s) {
             s.u32(0).u32(2).u64(2).bytes(Bytes{1, 2}).u64(kMaxBlobLength + 1).unwritten(64);
         },
         false, kHeader + 8 + 2 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSource source;
        c.script(source);
        const auto frame = readFrame(source);
        EXPECT_EQ(frame.has_value(), c.accepted);
        EXPECT_EQ(source.consumed(), c.consumed);
    }
}

TEST(FrameReader, EightFullBlobsFillTheTotalExactly) {
    // The one test that holds 256 MiB; the encoder's total check is tried on the
    // same blobs so that the suite allocates that much only once.
    constexpr int kFullBlobs = 8;
    static_assert(kFullBlobs * kMaxBlobLength == kMaxTotalBlobBytes);
    ScriptedSource source;
    source.u32(0).u32(kFullBlobs + 1);
    for (int i = 0; i < kFullBlobs; ++i)
        source.u64(kMaxBlobLength).fill(kMaxBlobLength, static_cast<std::uint8_t>(0x10 + i));
    source.u64(0);  // a ninth, empty blob adds nothing to the total

    auto frame = readFrame(source);

    ASSERT_TRUE(frame);
    EXPECT_EQ(source.consumed(), source.scriptedLength());
    ASSERT_EQ(frame->blobs.size(), static_cast<std::size_t>(kFullBlobs + 1));
    for (int i = 0; i < kFullBlobs; ++i) {
        const ByteBuffer& blob = frame->blobs[static_cast<std::size_t>(i)];
        ASSERT_EQ(blob.size(), kMaxBlobLength);
        EXPECT_EQ(blob.data()[0], 0x10 + i);
        EXPECT_EQ(blob.data()[blob.size() - 1], 0x10 + i);
    }
    EXPECT_TRUE(frame->blobs.back().empty());

    frame->blobs.back() = ByteBuffer::copyOf(Bytes{0xEE});
    expectFrameTooLarge(encodeFrame(frame->json, frame->blobs));
}

TEST(FrameReader, NinthNonEmptyBlobAfterAFullTotalIsDropped) {
    ScriptedSource source;
    source.u32(0).u32(9);
    for (int i = 0; i < 8; ++i) source.u64(kMaxBlobLength).unwritten(kMaxBlobLength);
    source.u64(1).bytes(Bytes{0xEE});

    EXPECT_FALSE(readFrame(source));
    EXPECT_EQ(source.consumed(), 4 + 4 + 8 * (8 + kMaxBlobLength) + 8);
}

TEST(FrameReader, EmptyJsonAndNoBlobsAreReadCompletely) {
    ScriptedSource source;
    source.u32(0).u32(0);
    const auto frame = readFrame(source);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->json.empty());
    EXPECT_TRUE(frame->blobs.empty());
    EXPECT_EQ(source.consumed(), 8u);
}

TEST(FrameReader, TruncationAtEveryByteDropsTheFrame) {
    // Every field appears, including an empty blob and a blob at the very end.
    const auto encoded = encodeFrame(R"({"x":1})", blobsOf({{1, 2, 3}, {}, {9, 8}}));
    ASSERT_TRUE(encoded);
    const Bytes& frame = encoded.value();

    for (std::size_t cut = 0; cut < frame.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "peer closes after " << cut << " bytes");
        ScriptedSource source;
        source.bytes(frame).closeAfter(cut);
        EXPECT_FALSE(readFrame(source));
        EXPECT_EQ(source.consumed(), cut);
    }
    ScriptedSource whole;
    whole.bytes(frame);
    EXPECT_TRUE(readFrame(whole));
}

TEST(FrameReader, StopsAtTheEndOfTheFrameAndReadsTheNextOneAfterIt) {
    const auto first = encodeFrame("first", blobsOf({{1}, {}}));
    const auto second = encodeFrame("second");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    ScriptedSource source;
    source.bytes(first.value()).bytes(second.value()).bytes(Bytes{0x01, 0x00});  // then a torn header

    const auto one = readFrame(source);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->json, "first");
    EXPECT_EQ(source.consumed(), first.value().size());

    const auto two = readFrame(source);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->json, "second");
    EXPECT_TRUE(two->blobs.empty());

    EXPECT_FALSE(readFrame(source));
}

// Memory running out for one blob: the rest of the frame is still consumed,
// so the next frame on the connection is read from its first byte.
TEST(FrameReader, OutOfMemoryConsumesTheWholeFrameBeforeReportingIt) {
    ScriptedSource source;
    source.u32(2).text("{}").u32(3).u64(10).fill(10, 1).u64(300'000).fill(300'000, 2).u64(5).fill(5, 3);
    const auto afterwards = encodeFrame("next");
    source.bytes(afterwards.value());
    {
        const fakes::LargeAllocationsFail noLargeBlocks(100'000);
        EXPECT_THROW((void)readFrame(source), std::bad_alloc);
    }
    const auto next = readFrame(source);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->json, "next");
}

TEST(FrameReader, OutOfMemoryStillDropsAFrameOverTheLimits) {
    ScriptedSource source;
    source.u32(0).u32(2).u64(300'000).unwritten(300'000).u64(kMaxBlobLength + 1);
    const fakes::LargeAllocationsFail noLargeBlocks(100'000);
    EXPECT_FALSE(readFrame(source));
    EXPECT_EQ(source.consumed(), source.scriptedLength());
}

TEST(FrameEncoder, LaysOutLengthsLittleEndianWithEachBlobAfterItsLength) {
    const auto encoded = encodeFrame("{}", blobsOf({{0xAA, 0xBB}, {}}));
    ASSERT_TRUE(encoded);
    const Bytes expected = {
        0x02, 0x00, 0x00, 0x00, '{',  '}',                           // JSON
        0x02, 0x00, 0x00, 0x00,                                      // blob count
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xBB,  // blob 0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // blob 1, empty
    };
    EXPECT_EQ(encoded.value(), expected);
}

TEST(FrameEncoder, ResponseWithoutBlobsEndsWithAZeroCount) {
    const std::string json(0x012C, 'x');
    const auto encoded = encodeFrame(json);
    ASSERT_TRUE(encoded);
    const Bytes& frame = encoded.value();
    ASSERT_EQ(frame.size(), 4 + json.size() + 4);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 4), (Bytes{0x2C, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Bytes(frame.end() - 4, frame.end()), (Bytes{0x00, 0x00, 0x00, 0x00}));
}

TEST(FrameEncoder, RoundTripsThroughTheReader) {
    struct Case {
        const char* name;
        std::string json;
        std::vector<Bytes> blobs;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"JSON only", R"({"protocol":1})", {}},
        {"empty blobs", "{}", {{}, {}, {}}},
        {"mixed blobs", "{}", {{0}, {}, Bytes(70'000, 0x5A), {0xFF, 0x00}}},
        {"UTF-8 text", "\xE6\x89\x93\xE5\x8D\xB0", {{1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Blobs blobs;
        for (const Bytes& content : c.blobs) blobs.push_back(ByteBuffer::copyOf(content));
        const auto encoded = encodeFrame(c.json, blobs);
        ASSERT_TRUE(encoded);

        ScriptedSource source;
        source.bytes(encoded.value());
        const auto frame = readFrame(source);
        ASSERT_TRUE(frame);
        EXPECT_EQ(source.consumed(), encoded.value().size());
        EXPECT_EQ(frame->json, c.json);
        ASSERT_EQ(frame->blobs.size(), c.blobs.size());
        for (std::size_t i = 0; i < c.blobs.size(); ++i) EXPECT_EQ(contentOf(frame->blobs[i]), c.blobs[i]);
    }
}

TEST(FrameEncoder, RefusesWhatTheReaderWouldDrop) {
    const auto blobsOfSizes = [](std::size_t count, std::size_t size) {
        Blobs blobs;
        for (std::size_t i = 0; i < count; ++i) {
            ByteBuffer blob(size);
            std::fill_n(blob.data(), size, std::uint8_t{0x42});
            blobs.push_back(std::move(blob));
        }
        return blobs;
    };
    struct Case {
        const char* name;
        std::size_t jsonLength;
        std::size_t blobCount;
        std::size_t blobLength;
        bool accepted;
    };
    const Case cases[] = {
        {"JSON at the limit", kMaxJsonLength, 0, 0, true},
        {"JSON one past the limit", kMaxJsonLength + 1, 0, 0, false},
        {"blob count at the limit", 2, kMaxBlobCount, 0, true},
        {"blob count one past the limit", 2, kMaxBlobCount + 1, 0, false},
        {"blob at the limit", 2, 1, kMaxBlobLength, true},
        {"blob one past the limit", 2, 1, kMaxBlobLength + 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json(c.jsonLength, ' ');
        const Blobs blobs = blobsOfSizes(c.blobCount, c.blobLength);
        const auto encoded = encodeFrame(json, blobs);
        if (c.accepted) {
            ASSERT_TRUE(encoded);
            EXPECT_EQ(encoded.value().size(), 4 + c.jsonLength + 4 + c.blobCount * (8 + c.blobLength));
        } else {
            expectFrameTooLarge(encoded);
        }
    }
}

TEST(OutOfMemoryFrame, IsTheCannedKsr3003ResponseByteForByte) {
    constexpr std::u8string_view kJson =
        u8R"({"protocol":1,"requestId":"","ok":false,"error":{"code":"KSR-3003","message":"请求处理内存不足，请减少页数或尺寸后重试"}})";
    ASSERT_EQ(kJson.size(), 141u);
    Bytes expected = {141, 0x00, 0x00, 0x00};
    for (const char8_t unit : kJson) expected.push_back(static_cast<std::uint8_t>(unit));
    expected.insert(expected.end(), {0x00, 0x00, 0x00, 0x00});

    const auto frame = outOfMemoryFrame();

    EXPECT_EQ(frame.size(), 149u);
    EXPECT_EQ(Bytes(frame.begin(), frame.end()), expected);
}

TEST(OutOfMemoryFrame, IsAFrameTheReaderAccepts) {
    ScriptedSource source;
    source.bytes(outOfMemoryFrame());
    const auto frame = readFrame(source);
    ASSERT_TRUE(frame);
    EXPECT_EQ(source.consumed(), 149u);
    EXPECT_EQ(frame->json.size(), 141u);
    EXPECT_TRUE(frame->blobs.empty());
}

}  // namespace
}  // namespace ks::protocol

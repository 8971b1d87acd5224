#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ks::platform {
namespace {

using namespace std::string_view_literals;

// Known answers from FIPS 180-4 and its published examples. The same table
// runs in both builds, so the CNG digest (Windows) and the libcrypto digest
// (native) are each held to it.
struct KnownAnswer {
    const char* label;
    std::string message;
    std::string_view digest;
};

std::vector<KnownAnswer> knownAnswers() {
    return {
        {"Empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"Abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"TwoBlocks448Bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"TwoBlocks896Bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstn"
         "opqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {"OneMillionA", std::string(1'000'000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // An embedded NUL is data, not the end of the text.
        {"EmbeddedNul", std::string("a\0b"sv), "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138"},
    };
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::uint8_t hexByte(std::string_view hex, std::size_t index) {
    return static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(2 * index, 2)), nullptr, 16));
}

TEST(Sha256Test, AllFormsAgreeWithTheKnownAnswers) {
    for (const auto& [label, message, digest] : knownAnswers()) {
        SCOPED_TRACE(label);
        EXPECT_EQ(sha256HexOfText(message), digest);
        EXPECT_EQ(sha256Hex(bytesOf(message)), digest);
        // The raw bytes in order, high nibble first in the hex form.
        const Sha256Digest raw = sha256Raw(bytesOf(message));
        for (std::size_t i = 0; i < raw.size(); ++i) EXPECT_EQ(raw[i], hexByte(digest, i)) << "byte " << i;
    }
}

TEST(Sha256Test, EmptySpanWithoutStorageHashesAsEmptyInput) {
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// Handing a longer input on as a 32-bit length would silently digest only a
// prefix of it; it must be refused before any byte is read.
TEST(Sha256Test, InputBeyondTheCngLimitIsRefusedBeforeHashing) {
    if constexpr (sizeof(std::size_t) > 4) {
        const std::uint8_t onlyByte = 0;
        const std::span<const std::uint8_t> tooLong(&onlyByte, std::size_t{kSha256MaxInputBytes} + 1);
        try {
            (void)sha256Raw(tooLong);
            FAIL() << "no exception";
        } catch (const std::overflow_error& error) {
            EXPECT_STREQ(error.what(), "SHA-256 input exceeds Windows CNG limit");
        }
        EXPECT_THROW((void)sha256Hex(tooLong), std::overflow_error);
    }
}

}  // namespace
}  // namespace ks::platform

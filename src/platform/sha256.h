#pragma once

// SHA-256 digests of printer identities, capability texts, page data and job
// manifests. Each call is independent and may run on any thread.
//
// Failures are internal errors, not protocol errors:
// - std::overflow_error "SHA-256 input exceeds Windows CNG limit" for input
//   longer than 0xFFFFFFFF bytes (checked on every build, so a digest that
//   works on the native test build also works on Windows);
// - std::runtime_error "Unable to open SHA-256 provider" or
//   "Unable to compute SHA-256" when the platform's hash provider fails.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ks::platform {

inline constexpr std::size_t kSha256DigestBytes = 32;
// The largest input CNG hashes in one call: its lengths are 32-bit.
inline constexpr std::uint64_t kSha256MaxInputBytes = 0xFFFF'FFFFu;

using Sha256Digest = std::array<std::uint8_t, kSha256DigestBytes>;

Sha256Digest sha256Raw(std::span<const std::uint8_t> bytes);

// 64 lower-case hexadecimal characters.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

// sha256Hex of the bytes of UTF-8 text.
std::string sha256HexOfText(std::string_view text);

namespace detail {
// The platform's digest of input already checked against
// kSha256MaxInputBytes: CNG on Windows, OpenSSL's libcrypto elsewhere.
Sha256Digest computeSha256(std::span<const std::uint8_t> bytes);
}  // namespace detail

}  // namespace ks::platform

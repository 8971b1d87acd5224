#include "platform/sha256.h"

#include <stdexcept>

namespace ks::platform {

Sha256Digest sha256Raw(std::span<const std::uint8_t> bytes) {
    // Refused before hashing: handing the length on as a 32-bit value would
    // silently digest only part of the input.
    if (static_cast<std::uint64_t>(bytes.size()) > kSha256MaxInputBytes) {
        throw std::overflow_error("SHA-256 input exceeds Windows CNG limit");
    }
    return detail::computeSha256(bytes);
}

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const Sha256Digest digest = sha256Raw(bytes);
    std::string hex;
    hex.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::string sha256HexOfText(std::string_view text) {
    return sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace ks::platform

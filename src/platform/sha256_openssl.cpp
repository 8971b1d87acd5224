// The digest for the native build, where CNG does not exist; the Windows
// product uses win32/sha256_bcrypt.cpp. Both are checked against the same
// known-answer vectors.
#include <openssl/evp.h>

#include <stdexcept>

#include "platform/sha256.h"

namespace ks::platform::detail {

Sha256Digest computeSha256(std::span<const std::uint8_t> bytes) {
    const EVP_MD* const algorithm = EVP_sha256();
    if (algorithm == nullptr) throw std::runtime_error("Unable to open SHA-256 provider");
    Sha256Digest digest{};
    unsigned int length = 0;
    // EVP_Digest reads nothing for an empty input, but wants a non-null
    // pointer all the same.
    static constexpr std::uint8_t kNothing = 0;
    const void* const data = bytes.empty() ? &kNothing : bytes.data();
    if (EVP_Digest(data, bytes.size(), digest.data(), &length, algorithm, nullptr) != 1 || length != digest.size()) {
        throw std::runtime_error("Unable to compute SHA-256");
    }
    return digest;
}

}  // namespace ks::platform::detail

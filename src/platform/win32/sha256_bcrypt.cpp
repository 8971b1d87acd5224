#include <windows.h>
// <bcrypt.h> needs the types of <windows.h>.
#include <bcrypt.h>

#include <stdexcept>

#include "platform/sha256.h"
#include "platform/unique_resource.h"

namespace ks::platform::detail {
namespace {

struct AlgorithmProviderTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::BCryptCloseAlgorithmProvider(value, 0); }
};
using UniqueAlgorithmProvider = UniqueResource<AlgorithmProviderTraits>;

}  // namespace

Sha256Digest computeSha256(std::span<const std::uint8_t> bytes) {
    // One provider per call: nothing shared between threads, and opening the
    // SHA-256 provider costs little next to hashing a page.
    UniqueAlgorithmProvider provider;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(provider.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        throw std::runtime_error("Unable to open SHA-256 provider");
    }
    Sha256Digest digest{};
    // BCryptHash takes a non-const input pointer but only reads it; the
    // caller has already refused lengths beyond 32 bits.
    auto* const input = const_cast<PUCHAR>(bytes.data());
    const NTSTATUS status = ::BCryptHash(provider.get(), nullptr, 0, input, static_cast<ULONG>(bytes.size()),
                                         digest.data(), static_cast<ULONG>(digest.size()));
    if (!BCRYPT_SUCCESS(status)) throw std::runtime_error("Unable to compute SHA-256");
    return digest;
}

}  // namespace ks::platform::detail

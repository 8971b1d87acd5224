#pragma once

#include <type_traits>

namespace ks::platform {

// The outer edge of a noexcept window procedure or message handler, where an
// exception must end. Returns what `body` returns; when it throws, what
// `recover` returns, called inside the handler so that it can rethrow to
// look at the exception; when `recover` throws in turn (typically because
// not even its error text could be allocated), what `lastResort` returns,
// which must not throw.
template <typename Body, typename Recover, typename LastResort>
auto exceptionBoundary(Body&& body, Recover&& recover, LastResort&& lastResort) noexcept -> decltype(body()) {
    static_assert(std::is_nothrow_invocable_v<LastResort>, "the last resort must not throw");
    try {
        return body();
    } catch (...) {
        try {
            return recover();
        } catch (...) {
            return lastResort();
        }
    }
}

}  // namespace ks::platform

#pragma once

#include <unknwn.h>

#include "platform/unique_resource.h"

namespace ks::platform {

template <typename Interface>
struct ComReleaseTraits {
    using Type = Interface*;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { value->Release(); }
};

// One reference to a COM object, released exactly once. Fill it from an
// out-parameter with put(); factories that return void** take
// reinterpret_cast<void**>(ptr.put()).
template <typename Interface>
using UniqueComPtr = UniqueResource<ComReleaseTraits<Interface>>;

}  // namespace ks::platform

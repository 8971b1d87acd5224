#pragma once

#include <objbase.h>

#include <optional>

namespace ks::support {

// The COM apartment the calling thread joined, as COM reports it; none when
// it joined none. A thread that merely lives beside a multithreaded
// apartment is counted in it (the implicit MTA) without having joined it.
inline std::optional<APTTYPE> joinedApartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    if (FAILED(::CoGetApartmentType(&type, &qualifier)) || qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) {
        return std::nullopt;
    }
    return type;
}

}  // namespace ks::support

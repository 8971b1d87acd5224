#pragma once

#include <windows.h>

namespace ks::app {

// Joins the multithreaded Windows Runtime apartment for the life of the
// object; leaves it only when joining succeeded (S_FALSE included).
class RoApartment {
public:
    RoApartment() noexcept;
    ~RoApartment();

    RoApartment(const RoApartment&) = delete;
    RoApartment& operator=(const RoApartment&) = delete;

private:
    HRESULT result_;
};

}  // namespace ks::app

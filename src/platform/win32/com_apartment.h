#pragma once

#include <objbase.h>

namespace ks::platform {

// Joins a COM apartment on the calling thread for the life of the object and
// leaves it only when joining succeeded (S_FALSE included): a thread already
// in another apartment (RPC_E_CHANGED_MODE) keeps it, and COM stays usable
// there. Declare it before the COM pointers it serves, so they are released
// first.
class ComApartment {
public:
    explicit ComApartment(DWORD model) noexcept : result_(::CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }

    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // What CoInitializeEx returned.
    HRESULT result() const noexcept { return result_; }
    // True when COM can be used on this thread: joined now or already in an
    // apartment of another model.
    bool usable() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

}  // namespace ks::platform

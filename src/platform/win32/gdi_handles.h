#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace ks::platform {

// A move-only owner that closes its value through a function object rather
// than a fixed function: adapters that reach Windows through replaceable
// functions must close through them too, or a fake would never see the close
// and a leak on some path would go unnoticed. The function object is borrowed
// and must outlive the owner (it lives in the adapter's function table).
template <typename T, typename CloseSignature>
class UniqueClosedBy {
public:
    using CloseFunction = std::function<CloseSignature>;

    UniqueClosedBy() noexcept = default;
    UniqueClosedBy(T value, const CloseFunction& close) noexcept : value_(value), close_(&close) {}

    UniqueClosedBy(UniqueClosedBy&& other) noexcept : value_(std::exchange(other.value_, T{})), close_(other.close_) {}
    UniqueClosedBy& operator=(UniqueClosedBy&& other) noexcept {
        if (this != &other) {
            reset();
            value_ = std::exchange(other.value_, T{});
            close_ = other.close_;
        }
        return *this;
    }
    UniqueClosedBy(const UniqueClosedBy&) = delete;
    UniqueClosedBy& operator=(const UniqueClosedBy&) = delete;

    ~UniqueClosedBy() { reset(); }

    [[nodiscard]] T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != T{}; }

    // Closes what is owned; the owner is empty afterwards.
    void reset() noexcept {
        const T old = std::exchange(value_, T{});
        // The close result is not acted on: nothing useful can be done about a
        // handle that will not close, and the caller's own outcome stands.
        if (old != T{} && close_ != nullptr) static_cast<void>((*close_)(old));
    }

    // Gives up ownership without closing.
    [[nodiscard]] T release() noexcept { return std::exchange(value_, T{}); }

private:
    T value_{};
    const CloseFunction* close_ = nullptr;
};

// A printer handle from OpenPrinterW, closed with ClosePrinter.
using PrinterHandleOwner = UniqueClosedBy<HANDLE, decltype(::ClosePrinter)>;
// A device context from CreateDCW, deleted with DeleteDC.
using DeviceContextOwner = UniqueClosedBy<HDC, decltype(::DeleteDC)>;

}  // namespace ks::platform

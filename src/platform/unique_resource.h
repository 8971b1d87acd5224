#pragma once

#include <utility>

namespace ks::platform {

// A move-only owner of one OS resource, closed exactly once. `Traits`
// supplies the resource type, the value meaning "nothing owned" and the close
// function:
//
//   struct Traits {
//       using Type = ...;
//       static Type invalid() noexcept;
//       static void close(Type value) noexcept;
//   };
template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : value_(value) {}

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    ~UniqueResource() { reset(); }

    [[nodiscard]] Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    // Closes what is owned and takes `value` instead.
    void reset(Type value = Traits::invalid()) noexcept {
        const Type old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

    // Gives up ownership without closing.
    [[nodiscard]] Type release() noexcept { return std::exchange(value_, Traits::invalid()); }

    // Closes what is owned and returns the address to receive a new value
    // from an out-parameter.
    [[nodiscard]] Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::invalid();
};

}  // namespace ks::platform

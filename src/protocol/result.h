#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace ks {

// A failure reported to a client or shown to the user: an eight-character
// code ("KSR-" and four digits) and the message text that goes with it.
class Error {
public:
    Error(std::string_view code, std::wstring_view message) : code_(code), message_(message) {}

    const std::string& code() const noexcept { return code_; }
    const std::wstring& message() const noexcept { return message_; }

    bool hasCode(std::string_view code) const noexcept { return code_ == code; }

    friend bool operator==(const Error&, const Error&) = default;

private:
    std::string code_;
    std::wstring message_;
};

namespace detail {
[[noreturn]] inline void throwNoValue() { throw std::logic_error("Result does not contain a value"); }
[[noreturn]] inline void throwNoError() { throw std::logic_error("Result does not contain an error"); }
}  // namespace detail

// Holds either a value or an Error, never both. Asking for the side that is
// not held is a programming error and raises std::logic_error.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return hasValue(); }

    T& value() & {
        if (!hasValue()) detail::throwNoValue();
        return std::get<0>(state_);
    }
    const T& value() const& {
        if (!hasValue()) detail::throwNoValue();
        return std::get<0>(state_);
    }
    T&& value() && {
        if (!hasValue()) detail::throwNoValue();
        return std::get<0>(std::move(state_));
    }

    const Error& error() const& {
        if (hasValue()) detail::throwNoError();
        return std::get<1>(state_);
    }
    Error&& error() && {
        if (hasValue()) detail::throwNoError();
        return std::get<1>(std::move(state_));
    }

private:
    std::variant<T, Error> state_;
};

// Success or an Error, for operations that produce no value.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool hasValue() const noexcept { return error_.index() == 0; }
    explicit operator bool() const noexcept { return hasValue(); }

    void value() const {
        if (!hasValue()) detail::throwNoValue();
    }
    const Error& error() const& {
        if (hasValue()) detail::throwNoError();
        return std::get<1>(error_);
    }
    Error&& error() && {
        if (hasValue()) detail::throwNoError();
        return std::get<1>(std::move(error_));
    }

private:
    std::variant<std::monostate, Error> error_;
};

}  // namespace ks

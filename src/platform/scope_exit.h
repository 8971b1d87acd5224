#pragma once

#include <utility>

namespace ks::platform {

// Runs a function when the scope ends, unless release() was called first:
// "undo unless we got to the end".
template <typename Function>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Function function) noexcept : function_(std::move(function)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (active_) function_();
    }

    void release() noexcept { active_ = false; }

private:
    Function function_;
    bool active_ = true;
};

}  // namespace ks::platform

#pragma once

#include <cstddef>

namespace ks::fakes {

// While an instance lives, every operator new or new[] of at least
// `thresholdBytes` bytes throws std::bad_alloc, on every thread: memory
// exhaustion on demand. The test executable that links allocation_failure.cpp
// replaces the global allocation functions for this.
class LargeAllocationsFail {
public:
    explicit LargeAllocationsFail(std::size_t thresholdBytes) noexcept;
    ~LargeAllocationsFail();

    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

}  // namespace ks::fakes

#include "fakes/allocation_failure.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kNeverFail = std::numeric_limits<std::size_t>::max();
std::atomic<std::size_t> failureThreshold{kNeverFail};

void* allocate(std::size_t size) {
    if (size >= failureThreshold.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

}  // namespace

namespace ks::fakes {

LargeAllocationsFail::LargeAllocationsFail(std::size_t thresholdBytes) noexcept {
    failureThreshold.store(thresholdBytes);
}

LargeAllocationsFail::~LargeAllocationsFail() { failureThreshold.store(kNeverFail); }

}  // namespace ks::fakes

// Replacements of the global allocation functions: new goes through the
// threshold above, delete frees what malloc gave.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

#pragma once

#include <mutex>

#include "platform/thread_annotations.h"

namespace ks::platform {

// std::mutex and std::recursive_mutex as capabilities the thread-safety
// analysis knows, so that members marked KS_GUARDED_BY are only touched
// with their lock held.
template <typename StandardMutex>
class KS_CAPABILITY("mutex") BasicMutex {
public:
    BasicMutex() = default;
    BasicMutex(const BasicMutex&) = delete;
    BasicMutex& operator=(const BasicMutex&) = delete;

    void lock() KS_ACQUIRE() { mutex_.lock(); }
    void unlock() KS_RELEASE() { mutex_.unlock(); }

private:
    StandardMutex mutex_;
};

using Mutex = BasicMutex<std::mutex>;
using RecursiveMutex = BasicMutex<std::recursive_mutex>;

// Holds a mutex for the life of the object.
template <typename MutexType>
class KS_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(MutexType& mutex) KS_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() KS_RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    MutexType& mutex_;
};

}  // namespace ks::platform

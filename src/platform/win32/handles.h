#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace ks::platform {

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::CloseHandle(value); }
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type value) noexcept { ::CloseHandle(value); }
};

template <typename T>
struct LocalMemoryTraits {
    using Type = T;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type value) noexcept { ::LocalFree(value); }
};

// Events, threads, tokens: null means nothing owned.
using UniqueHandle = UniqueResource<KernelHandleTraits>;
// Files and pipes from CreateFileW/CreateNamedPipeW: INVALID_HANDLE_VALUE
// means nothing owned.
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
// Memory the system allocated for us with LocalAlloc.
template <typename T>
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits<T>>;

}  // namespace ks::platform

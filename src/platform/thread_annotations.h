#pragma once

// Clang's thread-safety analysis (-Wthread-safety): which mutex guards which
// member and which functions need it held, checked at compile time. Other
// compilers see empty macros.
#if defined(__clang__)
#define KS_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KS_THREAD_ANNOTATION(x)
#endif

#define KS_CAPABILITY(name) KS_THREAD_ANNOTATION(capability(name))
#define KS_SCOPED_CAPABILITY KS_THREAD_ANNOTATION(scoped_lockable)
#define KS_GUARDED_BY(mutex) KS_THREAD_ANNOTATION(guarded_by(mutex))
#define KS_ACQUIRED_BEFORE(...) KS_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define KS_ACQUIRE(...) KS_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define KS_RELEASE(...) KS_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define KS_REQUIRES(...) KS_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define KS_EXCLUDES(...) KS_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

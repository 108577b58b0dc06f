#pragma once

// Clang's thread-safety attributes, checked with -Wthread-safety: which mutex
// guards a field, which a function needs held, in which order two are taken.
// Other compilers see nothing.

#if defined(__clang__)
#define MIV_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define MIV_THREAD_ANNOTATION(x)
#endif

#define MIV_CAPABILITY(name) MIV_THREAD_ANNOTATION(capability(name))
#define MIV_SCOPED_CAPABILITY MIV_THREAD_ANNOTATION(scoped_lockable)
#define MIV_GUARDED_BY(mutex) MIV_THREAD_ANNOTATION(guarded_by(mutex))
#define MIV_PT_GUARDED_BY(mutex) MIV_THREAD_ANNOTATION(pt_guarded_by(mutex))
#define MIV_ACQUIRED_AFTER(...) MIV_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define MIV_ACQUIRED_BEFORE(...) MIV_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define MIV_REQUIRES(...) MIV_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define MIV_ACQUIRE(...) MIV_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define MIV_RELEASE(...) MIV_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define MIV_TRY_ACQUIRE(...) MIV_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define MIV_EXCLUDES(...) MIV_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define MIV_RETURN_CAPABILITY(x) MIV_THREAD_ANNOTATION(lock_returned(x))
#define MIV_NO_THREAD_SAFETY_ANALYSIS MIV_THREAD_ANNOTATION(no_thread_safety_analysis)

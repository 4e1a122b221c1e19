#pragma once
// Marks for ThreadSanitizer where our code hands an object to a thread of
// Qt's pool. The pool's queue lives inside Qt, which is not built with the
// sanitizer, so the order "made here, then run there" is invisible to it.
// handed_over() goes just before the object is given to the pool,
// taken_over() first thing on the thread that runs it. Both are nothing in
// other builds.

#if defined(__SANITIZE_THREAD__)
#define VERDALIS_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VERDALIS_THREAD_SANITIZER 1
#endif
#endif

#ifdef VERDALIS_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace ui {

inline void handed_over([[maybe_unused]] void* object) {
#ifdef VERDALIS_THREAD_SANITIZER
  __tsan_release(object);
#endif
}

inline void taken_over([[maybe_unused]] void* object) {
#ifdef VERDALIS_THREAD_SANITIZER
  __tsan_acquire(object);
#endif
}

}  // namespace ui

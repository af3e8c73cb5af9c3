#pragma once

#include <QtGlobal>

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_HEAP_FROM_SANITIZER 1
#endif
#endif

#ifdef ORVANE_HEAP_FROM_SANITIZER
#include <cstddef>
// The sanitizer's runtime has it; GCC ships no header of it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

// What the heap has handed out and not had back, as the sanitizer's
// allocator or the main arena counts it: a test bounds what a command keeps,
// where a copy for each of thousands of elements would be many times more.
// Allocations of other threads may not count.
inline qint64 HeapInUse()
{
#ifdef ORVANE_HEAP_FROM_SANITIZER
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
#endif
}

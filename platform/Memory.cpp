#include "platform/Memory.h"

// Any C library header defines __GLIBC__; without one the test below is always false.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepFreedHeapForReuse() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}

void ServeBlocksFromHeapUpTo(size_t bytes) {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes));
#else
    (void)bytes;
#endif
}

}  // namespace platform

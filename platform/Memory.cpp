#include "platform/Memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepFreedHeapForReuse() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}

}  // namespace platform

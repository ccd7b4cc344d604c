#pragma once

#include <cstddef>

namespace platform {

// Asks the C heap to keep freed memory for reuse instead of returning it to the system
// after every large free. Process-wide; a no-op where the heap has no such setting.
void KeepFreedHeapForReuse();

// Serves blocks of up to `bytes` from the heap instead of giving each one a fresh mapping
// of its own. Work that allocates and frees the same mid-size blocks over and over (a
// compressor's tables, once per file) then reuses warm pages rather than faulting in and
// clearing new ones every time. Process-wide; pair it with KeepFreedHeapForReuse(), or the
// heap's top is handed back and faulted in again all the same.
void ServeBlocksFromHeapUpTo(size_t bytes);

}  // namespace platform

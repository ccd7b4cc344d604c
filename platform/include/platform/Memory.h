#pragma once

namespace platform {

// Asks the C heap to keep freed memory for reuse instead of returning it to the system
// after every large free. Process-wide; a no-op where the heap has no such setting.
void KeepFreedHeapForReuse();

}  // namespace platform

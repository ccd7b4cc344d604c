#pragma once

#include <cstdint>
#include <vector>

#include "platform/SystemResources.h"

namespace quill {

// Whether another render worker that may grow to expectedPeak bytes fits in `available`
// bytes beside the running ones, each of which may grow back to its own peak, leaving the
// rest of the system its share.
bool RoomForAnotherWorker(uint64_t available, const std::vector<platform::ProcessMemory>& running,
                          uint64_t expectedPeak);

}  // namespace quill

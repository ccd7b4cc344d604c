#pragma once

#include <cstdint>
#include <optional>

// What the machine offers to work that can run several processes at once.
namespace platform {

// The processors this process may run on (its affinity), at least 1.
int UsableProcessors();

// Memory the system can give new work without swapping (MemAvailable), in bytes; nothing
// when the system does not tell.
std::optional<uint64_t> AvailableMemory();

// A running process's memory: the most it has held resident so far and what it holds now,
// in bytes; nothing when it cannot be read (the process has ended).
struct ProcessMemory {
    uint64_t peak = 0;
    uint64_t resident = 0;
};
std::optional<ProcessMemory> MemoryOfProcess(int pid);

}  // namespace platform

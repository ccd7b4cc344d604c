#include "platform/SystemResources.h"

#include <sched.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace platform {

namespace {

// The value of a "Name:   1234 kB" line of a /proc file, in bytes.
std::optional<uint64_t> KilobyteField(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, name.size(), name) == 0 && line.size() > name.size() &&
            line[name.size()] == ':') {
            std::istringstream value(line.substr(name.size() + 1));
            uint64_t kilobytes = 0;
            if (value >> kilobytes) {
                return kilobytes * 1024;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

int UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return count;
        }
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

std::optional<uint64_t> AvailableMemory() {
    return KilobyteField("/proc/meminfo", "MemAvailable");
}

std::optional<ProcessMemory> MemoryOfProcess(int pid) {
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    const std::optional<uint64_t> peak = KilobyteField(status, "VmHWM");
    const std::optional<uint64_t> resident = KilobyteField(status, "VmRSS");
    if (!peak || !resident) {
        return std::nullopt;
    }
    return ProcessMemory{*peak, *resident};
}

}  // namespace platform

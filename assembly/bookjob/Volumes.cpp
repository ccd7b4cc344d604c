#include "bookjob/Volumes.h"

#include <algorithm>

namespace quill {

int VolumeOf(int n, int perVolume) {
    return perVolume > 0 && n > 0 ? (n - 1) / perVolume + 1 : 0;
}

std::vector<VolumeRange> PlanVolumes(const std::vector<int>& chapters, int perVolume,
                                     int lastchapter) {
    if (perVolume <= 0) {
        return {VolumeRange{0, 1, lastchapter}};
    }
    std::vector<VolumeRange> volumes;
    for (const int n : chapters) {
        const int number = VolumeOf(n, perVolume);
        if (number == 0 || (!volumes.empty() && volumes.back().number == number)) {
            continue;
        }
        // In 64 bits: the last volume of a story near the largest chapter number.
        const long long first = static_cast<long long>(number - 1) * perVolume + 1;
        const long long last = std::min<long long>(first + perVolume - 1, lastchapter);
        volumes.push_back({number, static_cast<int>(first), static_cast<int>(last)});
    }
    return volumes;
}

std::string VolumeTitleSuffix(const VolumeRange& volume) {
    return volume.number == 0 ? "" : " \u2014 Volume " + std::to_string(volume.number);
}

std::string VolumeSuffix(const VolumeRange& volume) {
    if (volume.number == 0) {
        return "";
    }
    const std::string chapters =
        volume.first >= volume.last
            ? "chapter " + std::to_string(volume.first)
            : "chapters " + std::to_string(volume.first) + "\u2013" + std::to_string(volume.last);
    return VolumeTitleSuffix(volume) + " (" + chapters + ")";
}

}  // namespace quill

#pragma once

#include <string>
#include <vector>

// A long story split into volumes, each a book of its own with its own cover page,
// outline and page numbers.
namespace quill {

// The chapters of one volume: first .. last. Number 0 is the whole story in one book.
struct VolumeRange {
    int number = 0;
    int first = 1;
    int last = 0;
};

// The volumes that hold the chapters (sorted numbers), perVolume chapters each: volume k
// holds chapters (k-1) * perVolume + 1 .. k * perVolume, the last one only up to
// lastchapter. A volume with none of the chapters is left out. Without volumes
// (perVolume 0) the one range {0, 1, lastchapter}.
std::vector<VolumeRange> PlanVolumes(const std::vector<int>& chapters, int perVolume,
                                     int lastchapter);

// The volume that holds chapter n (1 and up); 0 without volumes.
int VolumeOf(int n, int perVolume);

// What follows the story's name in a volume's file name and title: " — Volume 2 (chapters
// 101–200)", " — Volume 3 (chapter 201)"; empty for the whole story.
std::string VolumeSuffix(const VolumeRange& volume);
// " — Volume 2": how the volume's title tells it from the others.
std::string VolumeTitleSuffix(const VolumeRange& volume);

// One book a build saved: its edition's file and the volume it holds.
struct SavedBook {
    std::string path;
    VolumeRange volume;
};

}  // namespace quill

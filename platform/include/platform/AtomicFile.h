#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Whether a committed file must survive a crash of the whole machine. Scratch files (a
// job's intermediate files, which the next run makes again) skip the waits for the disk,
// which cost far more than the writing itself; they still appear whole or not at all.
enum class Durability { ToDisk, Scratch };

// A file that appears under its name only once it is whole. The bytes go to a hidden
// temporary file in the same folder; Commit() flushes it to the disk and renames it over
// the name in one step. Dropped without Commit(), the temporary file is removed and
// whatever file had the name before is left exactly as it was. A killed process leaves at
// most a "._name.XXXXXX.part" file, which no reader takes for the real one.
class AtomicFile {
  public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False when it cannot (see ErrorCode()).
    bool Open();
    // Appends bytes; false on a short write (a full disk, a file-size limit).
    bool Write(const void* data, size_t size);
    // Flushes and closes the temporary file, renames it over Path() and flushes the
    // folder, so that the new name survives a crash (for ToDisk). False when any step
    // fails; the temporary file is then removed and the old file stays.
    bool Commit(Durability durability = Durability::ToDisk);
    // Flushes what the temporary file holds to the disk now, for a file written well before
    // it is committed: Commit() then has next to nothing left to wait for. False on failure.
    bool SyncContents();

    const std::string& Path() const { return path_; }
    // Where the bytes go before Commit(), for writers that take a file name. A writer that
    // uses it must leave the file in place (no rename of its own).
    const std::string& TempPath() const { return temp_; }
    // The system error code of the last failed step.
    int ErrorCode() const { return error_; }

  private:
    void Discard();

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
};

// Flushes a folder's entries to the disk (after a rename into it). False on failure.
bool SyncFolder(const std::string& folder);

// Whether a file name is one that only a killed writer of ours leaves behind: an
// AtomicFile's "._name.XXXXXX.part", the same with a writer's own ".XXXXXX" temporary name
// inside it (libzip), or a placed copy's "._name.PID.N.part".
bool IsLeftoverName(const std::string& name);

// Removes the regular files directly in folder whose names IsLeftoverName() and that were
// last written at least minAgeSeconds ago (0: any), so that a writer still at work in a
// folder that other jobs share keeps its file. Links, folders and every other name are left
// alone. Returns how many were removed.
int RemoveLeftovers(const std::string& folder, long minAgeSeconds);

}  // namespace platform

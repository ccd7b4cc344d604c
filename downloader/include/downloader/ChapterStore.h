#pragma once

#include <optional>
#include <string>

namespace quill {

// The chapters of one story kept between jobs, so that a later job fetches only what it does
// not have yet: after a failure, the chapters that failed; after the author added chapters,
// the new ones. One folder per story below the store's root; in it one entry per chapter,
// named after a hash of the chapter's address, and the cover picture. Every entry names the
// address it was fetched from and its length, and is written atomically, so an entry is
// either whole and for that address or not taken at all.
class ChapterStore {
  public:
    // The story's folder below `root`, named after the story identifier made safe for a file
    // name; creates both as needed. Throws OSError when it cannot.
    ChapterStore(const std::string& root, const std::string& storyId);

    std::optional<std::string> FindChapter(const std::string& address) const;
    // Replaces the entry for the address. Throws OSError when it cannot.
    void PutChapter(const std::string& address, const std::string& document) const;

    std::optional<std::string> FindCover(const std::string& address) const;
    void PutCover(const std::string& address, const std::string& picture) const;

    const std::string& folder() const { return folder_; }

    // The folder name for a story identifier: the identifier itself when it is a plain name,
    // otherwise its letters, digits, "-", "_" and "." with a hash of the whole identifier, so
    // that different identifiers never share a folder.
    static std::string FolderName(const std::string& storyId);

  private:
    std::string ChapterPath(const std::string& address) const;
    std::string CoverPath() const;

    std::string folder_;
};

}  // namespace quill

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// The chapters of one story kept between jobs, so that a later job fetches only what it does
// not have yet: after a failure, the chapters that failed; after the author added or
// retitled chapters, those. One folder per story below the store's root, named after the
// story's number, so that every address of a story shares it; in it one entry per chapter,
// named after a hash of the chapter's address, the cover picture, and beside the chapters
// their pictures (named after a hash of the picture's address) and a record per chapter of
// what became of them. Every entry records
// the address it was fetched from, the title of its contents entry, its length and a
// SHA-256 of its content, and is written atomically. It is taken only when all of these
// match; an entry that fails its check is removed, and the caller fetches again.
class ChapterStore {
  public:
    // Creates the store's root folder as needed. Throws OSError when it cannot.
    static void PrepareRoot(const std::string& root);

    // The story's folder below `root`, named after the story key made safe for a file name;
    // creates both as needed. Throws OSError when it cannot.
    ChapterStore(const std::string& root, const std::string& storyKey);

    // What a look-up found.
    struct Found {
        std::optional<std::string> content;  // the kept content, when it serves
        std::string damage;  // why an entry that stood there was removed; empty otherwise
    };

    // The chapter fetched from `address` for the contents entry `title`. An entry kept
    // before digests were recorded is written again with one when it serves.
    Found FindChapter(const std::string& address, const std::string& title) const;
    // Replaces the entry for the address. Throws OSError when it cannot.
    void PutChapter(const std::string& address, const std::string& title,
                    const std::string& document) const;

    Found FindCover(const std::string& address) const;
    void PutCover(const std::string& address, const std::string& picture) const;

    // A chapter's picture fetched from `address`, shared by every chapter of the story that
    // shows it; at most `maxBytes`.
    Found FindPicture(const std::string& address, size_t maxBytes) const;
    void PutPicture(const std::string& address, const std::string& picture) const;
    // What became of the pictures of the chapter fetched from `chapterAddress` (see
    // PictureFetcher), so that a saved chapter asks the site for none of them again.
    Found FindPictureRecord(const std::string& chapterAddress) const;
    void PutPictureRecord(const std::string& chapterAddress, const std::string& record) const;
    // The story's language as the site last gave it, kept with its chapters: a later
    // download whose story page names none still knows it. Nothing when none is kept or
    // the entry is no well-formed tag; a damaged entry is removed.
    std::optional<std::string> FindLanguage() const;
    // Keeps the tag, unless the same one is kept already. Throws OSError when it cannot.
    void PutLanguage(const std::string& tag) const;

    // Earlier versions named a story's folder after the address pasted ("7001-a-slug",
    // "700102-a-chapter"). Moves what such folders keep for this story into this folder:
    // the folders of the story identifiers `earlierIds` and of the story's page under any
    // slug (`number` followed by "-" or "_"). Only the entries of `chapterAddresses`, a
    // cover fetched from `coverAddress` and the story's language are moved, so what a
    // folder holds for another story stays where it is. A folder left empty is removed. Nothing here fails a job: an
    // entry that cannot be moved is fetched again.
    void AdoptEarlierFolders(uint64_t number, const std::vector<std::string>& earlierIds,
                             const std::vector<std::string>& chapterAddresses,
                             const std::string& coverAddress) const;

    const std::string& folder() const { return folder_; }

    // The folder name for a story key: the key itself when it is a plain name,
    // otherwise its letters, digits, "-", "_" and "." with a hash of the whole key, so
    // that different keys never share a folder.
    static std::string FolderName(const std::string& storyKey);

  private:
    Found Find(const std::string& path, const std::string& address, const std::string& title,
               size_t maxContent, bool nameIsAddress) const;
    void AdoptFrom(const std::string& other, const std::vector<std::string>& chapterAddresses,
                   const std::string& coverAddress) const;
    static std::string ChapterName(const std::string& address);
    static std::string EntryName(const std::string& address, const char* suffix);

    std::string root_;
    std::string folder_;
};

}  // namespace quill

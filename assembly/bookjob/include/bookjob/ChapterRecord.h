#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// Which chapters a book holds, as the book itself records them: chapter numbers in
// ascending order, written as ranges ("1-3,5,7-40"), so a long story records a short text.
// The cover page is no chapter: a build whose cover failed still replaces a book with one,
// so that a cover that no longer renders cannot hold back a story's new chapters.
std::string FormatChapterList(const std::vector<int>& numbers);
// Nothing when the text is not such a list, or names implausibly many chapters.
std::optional<std::vector<int>> ParseChapterList(std::string_view text);

// The chapters a finished book records; nothing when it records none (books made before
// they recorded them) or cannot be read.
using ChaptersOfBook = std::function<std::optional<std::vector<int>>(const std::string& path)>;

// An edition that was not saved because the story's earlier book holds what the new build
// lacks. The earlier book is left exactly as it was.
struct KeptBook {
    std::string path;          // the earlier book
    std::vector<int> missing;  // the chapters the new build lacks, in order
    bool unrecorded = false;   // the earlier book records no chapters
};

// Whether the book at path must stay rather than be replaced by a build that holds `held`
// (sorted): nothing when no file is there or when the build holds every chapter the book
// records. A book that records none may hold anything; only a build that left nothing out
// (`leftOut` empty) replaces it.
std::optional<KeptBook> KeepEarlierBook(const std::string& path, const ChaptersOfBook& chaptersOf,
                                        const std::vector<int>& held,
                                        const std::vector<int>& leftOut);

// "The book was kept: ..." with the book's path and what the new build lacks.
std::string KeptBookMessage(const KeptBook& kept);

// Puts number into the sorted list, unless it is there already.
void InsertChapter(std::vector<int>& sorted, int number);

}  // namespace quill

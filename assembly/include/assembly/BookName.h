#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bookjob/Volumes.h"

// What a book is called, and where it may be saved without replacing another story's.
namespace quill {

// The book's file name (no folder, no extension) made from the story title.
std::string MakeBookName(const std::string& booktitle);

// Reads the story address that a finished book records; nothing when the file records
// none (or cannot be read).
using StoryOfBook = std::function<std::optional<std::string>(const std::string& path)>;

// Where a book of the story at storyUrl is saved: folder/name + ext, unless a file there
// holds another story (a file that records none counts as another story, except for a
// build without an address); then "name (2)" + ext, "name (3)" + ext,
// and so on: the first name that is free or holds this story. A book holds this story when
// it records the same story in any address form (SameStory), or one of earlierUrls. A
// story never overwrites another story's book. Throws EFCreateError when no such name is
// left.
std::string ChooseBookPath(const std::string& folder, const std::string& name,
                           const std::string& ext, const std::string& storyUrl,
                           const StoryOfBook& storyOf,
                           const std::vector<std::string>& earlierUrls = {});

// The books of the same volume of the story in folder, under whatever name: the last
// volume's name grows with the story ("Name — Volume 3 (chapter 201)" becomes "… (chapters
// 201–203)"). Every file whose name begins as the volume's, with the same first chapter,
// ends in ext and records the story, in order of their names; none for the whole story's
// book (volume 0) or a build without an address.
std::vector<std::string> VolumeBooks(const std::string& folder, const std::string& name,
                                     const VolumeRange& volume, const std::string& ext,
                                     const std::string& storyUrl, const StoryOfBook& storyOf,
                                     const std::vector<std::string>& earlierUrls = {});

}  // namespace quill

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a chapter's pictures travel from the downloader to the book: the chapter file keeps
// its <img> elements as the site wrote them, and beside it, in the work folder, a list maps
// each picture's source as written to the local copy the downloader kept.
namespace quill {

// One <img src> of a chapter and the picture file in the work folder that shows it.
struct PictureLink {
    std::string src;   // the attribute's value, as the chapter file has it (blanks trimmed)
    std::string file;  // a PictureFileName in the same folder
};

// "3.pictures.json": chapter 3's list. The downloader writes it (atomically, before the
// chapter file) for a chapter that has pictures, also when none of them could be kept;
// without it a chapter is made as text only.
std::string PictureListName(long long chapter);

std::string PictureListJson(const std::vector<PictureLink>& links);

// The links of a list's text. Links whose file is no PictureFileName are dropped, so that a
// list can never lead a reader out of its folder; text that is no list gives none.
std::vector<PictureLink> ReadPictureList(std::string_view json);

// Reads chapter N's list in the folder: nothing when the chapter has none.
std::optional<std::vector<PictureLink>> ReadChapterPictures(const std::string& folder,
                                                            long long chapter);

// The name a picture's bytes are kept under: "picture-" and 16 hex digits of their SHA-256,
// then the type's extension ("picture-0123456789abcdef.png").
std::string PictureFileName(std::string_view bytes, const char* extension);
bool IsPictureFileName(std::string_view name);

// A picture's source as it is matched: leading and trailing blanks do not count.
std::string TrimmedSource(std::string_view src);

}  // namespace quill

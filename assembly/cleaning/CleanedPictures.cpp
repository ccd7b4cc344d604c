// The pictures of the chapters of a build: each chapter's list read, and its pictures made
// fit for the book when its cleaning comes to them.
#include <memory>
#include <set>

#include "cleaning/CleanedChapters.h"
#include "common/FileBytes.h"
#include "common/PictureList.h"

namespace quill {

ChapterMarkup CleanedChapters::CleanFile(int n) {
    std::optional<std::vector<PictureLink>> links;
    if (pictures_ != nullptr) {
        links = ReadChapterPictures(prefix_, n);
    }
    if (!links) {
        return CleanChapter(ReadFileBytes(ChapterFile(n)));
    }
    const PictureLookup lookup = LookupFor(n, std::move(*links));
    return CleanChapter(ReadFileBytes(ChapterFile(n)), &lookup);
}

PictureLookup CleanedChapters::LookupFor(int n, std::vector<PictureLink> links) {
    auto told = std::make_shared<std::set<std::string>>();
    return [this, n, links = std::move(links),
            told](const std::string& src) -> std::optional<ShownPicture> {
        for (const PictureLink& link : links) {
            if (link.src != src) {
                continue;
            }
            const BookPictures::Result& made = pictures_->Prepare(link.file);
            if (made.picture) {
                return ShownPicture{made.picture->file, made.picture->width, made.picture->height};
            }
            if (note_ && told->insert(src).second) {
                note_(n, src, made.why);
            }
            return std::nullopt;
        }
        return std::nullopt;  // left out by the downloader, which said why
    };
}

std::vector<BookPicture> CleanedChapters::Pictures(int n) {
    std::vector<BookPicture> shown;
    if (pictures_ == nullptr) {
        return shown;
    }
    for (const PictureLink& link :
         ReadChapterPictures(prefix_, n).value_or(std::vector<PictureLink>{})) {
        if (const BookPictures::Result& made = pictures_->Prepare(link.file); made.picture) {
            shown.push_back(*made.picture);
        }
    }
    return shown;
}

}  // namespace quill

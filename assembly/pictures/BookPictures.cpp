#include "pictures/BookPictures.h"

#include "PictureCopy.h"
#include "common/AtomicWrite.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/PictureList.h"
#include "common/Text.h"

namespace quill {

namespace {

// Beyond the downloader's own bound for a picture, so that its every copy is read whole.
constexpr size_t kMaxPictureFileBytes = size_t{9} << 20;

BookPictures::Result Refused(std::string why) {
    return {std::nullopt, std::move(why)};
}

constexpr std::string_view kCopyStart = "book-";

// "picture-<hex>.webp" becomes "book-<hex>.png".
std::string CopyName(const std::string& file, PictureType type) {
    const std::string hex = file.substr(file.find('-') + 1, file.rfind('.') - file.find('-') - 1);
    return std::string(kCopyStart) + hex + "." + ExtensionOf(type);
}

}  // namespace

BookPictures::BookPictures(std::string workFolder) : folder_(std::move(workFolder)) {}

std::string BookPictures::Identity() {
    return "book pictures 1: width " + std::to_string(kMaxBookPictureWidth) + ", " +
           pictures::CopyIdentity();
}

const BookPictures::Result& BookPictures::Prepare(const std::string& file) {
    if (const auto done = prepared_.find(file); done != prepared_.end()) {
        return done->second;
    }
    return prepared_.emplace(file, Make(file)).first->second;
}

BookPictures::Result BookPictures::Make(const std::string& file) const {
    Result result;
    if (!IsPictureFileName(file)) {
        return Refused("it is not one of the downloader's pictures");
    }
    const std::optional<std::string> bytes =
        TryReadFileBytes(JoinPath(folder_, file), kMaxPictureFileBytes);
    const std::optional<PictureHeader> header = bytes ? ReadPictureHeader(*bytes) : std::nullopt;
    if (!header) {
        return Refused(bytes ? "it is no picture a book can show" : "it cannot be read");
    }
    if (const std::optional<std::string> problem = PictureSizeProblem(*header)) {
        return Refused(*problem);
    }
    if (header->type != PictureType::Webp && header->width <= kMaxBookPictureWidth) {
        result.picture =
            BookPicture{file, MediaTypeOf(header->type), header->width, header->height};
        return result;
    }
    const PictureType as = header->photographic ? PictureType::Jpeg : PictureType::Png;
    std::string why;
    const std::optional<pictures::Copy> copy =
        pictures::MakeCopy(*bytes, kMaxBookPictureWidth, as, why);
    if (!copy) {
        return Refused("it cannot be decoded (" + why + ")");
    }
    const std::string name = CopyName(file, as);
    // Made again by the next build; the disk need not be waited for. A full disk stops the
    // build, as it would at the chapter's own copy.
    WriteFileAtomic(JoinPath(folder_, name), copy->bytes, platform::Durability::Scratch);
    result.picture = BookPicture{name, MediaTypeOf(as), copy->width, copy->height};
    return result;
}

bool BookPictures::IsCopyName(std::string_view name) {
    return name.size() > kCopyStart.size() && StartsWith(name, kCopyStart);
}

}  // namespace quill

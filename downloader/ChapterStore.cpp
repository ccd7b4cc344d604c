#include "downloader/ChapterStore.h"

#include <filesystem>

#include "common/AtomicWrite.h"
#include "common/Digest.h"
#include "common/Errors.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "downloader/Limits.h"
#include "web/Errors.h"
#include "web/LogText.h"
#include "web/Web.h"

namespace quill {

namespace {

constexpr std::string_view kMagic = "quillby-store 1\n";
constexpr size_t kMaxNameLength = 64;

// An entry: the magic line, "address: …", "bytes: …", a blank line, then the content.
std::string Header(const std::string& address, size_t bytes) {
    return std::string(kMagic) + "address: " + OneLine(address) +
           "\nbytes: " + std::to_string(bytes) + "\n\n";
}

// The entry's content when it is whole and was fetched from `address`; otherwise nothing,
// and the caller fetches again.
std::optional<std::string> ReadEntry(const std::string& path, const std::string& address,
                                     size_t maxContent) {
    std::optional<std::string> entry =
        TryReadFileBytes(path, maxContent + Header(address, 0).size() + 32);
    if (!entry) {
        return std::nullopt;
    }
    const size_t blank = entry->find("\n\n");
    if (blank == std::string::npos) {
        return std::nullopt;
    }
    const size_t content = blank + 2;
    if (entry->compare(0, content, Header(address, entry->size() - content)) != 0) {
        return std::nullopt;
    }
    return entry->substr(content);
}

void WriteEntry(const std::string& path, const std::string& address, const std::string& content) {
    try {
        WriteFileAtomic(path, Header(address, content.size()) + content);
    } catch (const Exception& failure) {
        throw OSError(std::string("the chapter store: ") + failure.what());
    }
}

bool IsPlainNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

}  // namespace

std::string ChapterStore::FolderName(const std::string& storyId) {
    std::string name;
    for (const char c : storyId.substr(0, kMaxNameLength)) {
        name += IsPlainNameCharacter(c) ? c : '_';
    }
    if (!name.empty() && name[0] == '.') {
        name[0] = '_';  // no hidden folder, and never "." or ".."
    }
    const bool plain = !name.empty() && name == storyId;
    return plain ? name : name + "-" + Sha256Hex(storyId).substr(0, 16);
}

ChapterStore::ChapterStore(const std::string& root, const std::string& storyId)
    : folder_(JoinPath(root, FolderName(storyId))) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error || !std::filesystem::is_directory(folder_)) {
        throw OSError("cannot create the chapter store folder " + folder_ + ": " +
                      (error ? error.message() : std::string("not a folder")));
    }
}

std::string ChapterStore::ChapterPath(const std::string& address) const {
    return JoinPath(folder_, Sha256Hex(address) + ".chapter");
}

std::string ChapterStore::CoverPath() const {
    return JoinPath(folder_, "cover.picture");
}

std::optional<std::string> ChapterStore::FindChapter(const std::string& address) const {
    return ReadEntry(ChapterPath(address), address, kMaxChapterBytes);
}

void ChapterStore::PutChapter(const std::string& address, const std::string& document) const {
    WriteEntry(ChapterPath(address), address, document);
}

std::optional<std::string> ChapterStore::FindCover(const std::string& address) const {
    return ReadEntry(CoverPath(), address, gsweb::Options().maxBodyBytes);
}

void ChapterStore::PutCover(const std::string& address, const std::string& picture) const {
    WriteEntry(CoverPath(), address, picture);
}

}  // namespace quill

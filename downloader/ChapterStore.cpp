#include "downloader/ChapterStore.h"

#include <filesystem>
#include <set>

#include "StoreEntry.h"
#include "common/AtomicWrite.h"
#include "common/Digest.h"
#include "common/Errors.h"
#include "common/LanguageTag.h"
#include "common/OneLine.h"
#include "common/Paths.h"
#include "downloader/Limits.h"
#include "web/Errors.h"
#include "web/Web.h"

namespace quill {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxNameLength = 64;
constexpr char kCoverName[] = "cover.picture";
// Far more than any chapter's record of its pictures (a few hundred addresses).
constexpr size_t kMaxRecordBytes = size_t{4} << 20;
constexpr char kLanguageName[] = "story.language";
// What a language entry records as its "address": it comes with the story page, whichever
// address that was read at.
constexpr char kLanguageSource[] = "inLanguage";

void WriteEntry(const std::string& path, const std::string& address, const std::string& title,
                const std::string& content) {
    try {
        WriteFileAtomic(path, store::EntryBytes(address, title, content));
    } catch (const Exception& failure) {
        throw OSError(std::string("the chapter store: ") + failure.what());
    }
}

bool IsPlainNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() == fs::file_type::directory;
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() == fs::file_type::regular;
}

// Moves an earlier folder's entry into place unless one is there already; then the earlier
// one has served its time.
void MoveEntry(const std::string& from, const std::string& to) {
    if (!IsRegularFile(from)) {
        return;
    }
    std::error_code error;
    if (PathExists(to)) {
        fs::remove(from, error);
    } else {
        fs::rename(from, to, error);
    }
}

size_t MaxCoverBytes() {
    return gsweb::Options().maxBodyBytes;
}

}  // namespace

std::string ChapterStore::FolderName(const std::string& storyKey) {
    std::string name;
    for (const char c : storyKey.substr(0, kMaxNameLength)) {
        name += IsPlainNameCharacter(c) ? c : '_';
    }
    if (!name.empty() && name[0] == '.') {
        name[0] = '_';  // no hidden folder, and never "." or ".."
    }
    const bool plain = !name.empty() && name == storyKey;
    return plain ? name : name + "-" + Sha256Hex(storyKey).substr(0, 16);
}

void ChapterStore::PrepareRoot(const std::string& root) {
    std::error_code error;
    fs::create_directories(root, error);
    if (error || !fs::is_directory(root)) {
        throw OSError("cannot create the chapter store folder " + root + ": " +
                      (error ? error.message() : std::string("not a folder")));
    }
}

ChapterStore::ChapterStore(const std::string& root, const std::string& storyKey)
    : root_(root), folder_(JoinPath(root, FolderName(storyKey))) {
    PrepareRoot(root_);
    PrepareRoot(folder_);
}

std::string ChapterStore::ChapterName(const std::string& address) {
    return EntryName(address, ".chapter");
}

std::string ChapterStore::EntryName(const std::string& address, const char* suffix) {
    return Sha256Hex(address) + suffix;
}

ChapterStore::Found ChapterStore::Find(const std::string& path, const std::string& address,
                                       const std::string& title, size_t maxContent,
                                       bool nameIsAddress) const {
    store::Reading reading = store::ReadEntry(path, address, title, maxContent, nameIsAddress);
    Found found;
    switch (reading.kind) {
        case store::Reading::Kind::Serves:
            if (reading.firstVersion) {
                try {
                    WriteEntry(path, address, title, reading.content);
                } catch (const std::exception&) {
                    // Served all the same; the next job tries again.
                }
            }
            found.content = std::move(reading.content);
            break;
        case store::Reading::Kind::Damaged: {
            std::error_code error;
            fs::remove(path, error);  // a link goes, never what it points to
            found.damage = std::move(reading.damage);
            break;
        }
        case store::Reading::Kind::Missing:
        case store::Reading::Kind::Changed:
            break;
    }
    return found;
}

ChapterStore::Found ChapterStore::FindChapter(const std::string& address,
                                              const std::string& title) const {
    return Find(JoinPath(folder_, ChapterName(address)), address, title, kMaxChapterBytes, true);
}

void ChapterStore::PutChapter(const std::string& address, const std::string& title,
                              const std::string& document) const {
    WriteEntry(JoinPath(folder_, ChapterName(address)), address, title, document);
}

ChapterStore::Found ChapterStore::FindCover(const std::string& address) const {
    return Find(JoinPath(folder_, kCoverName), address, "", MaxCoverBytes(), false);
}

void ChapterStore::PutCover(const std::string& address, const std::string& picture) const {
    WriteEntry(JoinPath(folder_, kCoverName), address, "", picture);
}

ChapterStore::Found ChapterStore::FindPicture(const std::string& address, size_t maxBytes) const {
    return Find(JoinPath(folder_, EntryName(address, ".picture")), address, "", maxBytes, true);
}

void ChapterStore::PutPicture(const std::string& address, const std::string& picture) const {
    WriteEntry(JoinPath(folder_, EntryName(address, ".picture")), address, "", picture);
}

ChapterStore::Found ChapterStore::FindPictureRecord(const std::string& chapterAddress) const {
    return Find(JoinPath(folder_, EntryName(chapterAddress, ".pictures")), chapterAddress, "",
                kMaxRecordBytes, true);
}

void ChapterStore::PutPictureRecord(const std::string& chapterAddress,
                                    const std::string& record) const {
    WriteEntry(JoinPath(folder_, EntryName(chapterAddress, ".pictures")), chapterAddress, "",
               record);
}

std::optional<std::string> ChapterStore::FindLanguage() const {
    const Found kept = Find(JoinPath(folder_, kLanguageName), kLanguageSource, "", 256, false);
    return kept.content ? WellFormedLanguageTag(*kept.content) : std::nullopt;
}

void ChapterStore::PutLanguage(const std::string& tag) const {
    if (FindLanguage() != tag) {
        WriteEntry(JoinPath(folder_, kLanguageName), kLanguageSource, "", tag);
    }
}

void ChapterStore::AdoptEarlierFolders(uint64_t number, const std::vector<std::string>& earlierIds,
                                       const std::vector<std::string>& chapterAddresses,
                                       const std::string& coverAddress) const {
    std::set<std::string> names;
    for (const std::string& id : earlierIds) {
        names.insert(FolderName(id));
    }
    const std::string prefix = std::to_string(number);
    std::error_code error;
    for (fs::directory_iterator it(root_, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            (name[prefix.size()] == '-' || name[prefix.size()] == '_')) {
            names.insert(name);
        }
    }
    for (const std::string& name : names) {
        const std::string other = JoinPath(root_, name);
        if (other != folder_ && IsDirectory(other)) {
            AdoptFrom(other, chapterAddresses, coverAddress);
        }
    }
}

void ChapterStore::AdoptFrom(const std::string& other,
                             const std::vector<std::string>& chapterAddresses,
                             const std::string& coverAddress) const {
    for (const std::string& address : chapterAddresses) {
        const std::string name = ChapterName(address);
        MoveEntry(JoinPath(other, name), JoinPath(folder_, name));
    }
    const std::string cover = JoinPath(other, kCoverName);
    if (store::EntryAddress(cover, MaxCoverBytes()) == OneLine(coverAddress)) {
        MoveEntry(cover, JoinPath(folder_, kCoverName));
    }
    // A story whose number was not known kept its language under its identifier too.
    MoveEntry(JoinPath(other, kLanguageName), JoinPath(folder_, kLanguageName));
    std::error_code error;
    fs::remove(other, error);  // only when nothing is left in it
}

}  // namespace quill

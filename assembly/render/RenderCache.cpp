#include "RenderCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/Digest.h"
#include "common/Errors.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/Settings.h"
#include "platform/RegularFile.h"

namespace quill {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kDefaultLimitMb = 1024;
constexpr char kEntrySuffix[] = ".page";
// Far above any page's PDF; a larger file in the cache is no entry of ours.
constexpr size_t kLargestEntry = size_t{1} << 30;

// An entry: these lines, then the page's PDF. The key binds the entry to its name, so that
// an entry moved or copied over another's is told apart; the digest covers every byte of
// the PDF, so that one cut short or written into is.
constexpr std::string_view kEntryHead = "Quillby render cache entry\n";
constexpr std::string_view kKeyField = "key ";
constexpr std::string_view kDigestField = "sha256 ";

std::string SealedEntry(const std::string& key, std::string_view pdf) {
    std::string entry;
    entry.reserve(kEntryHead.size() + 160 + pdf.size());
    entry.append(kEntryHead);
    entry.append(kKeyField).append(key).append("\n");
    entry.append(kDigestField).append(Sha256Hex(pdf)).append("\n\n");
    entry.append(pdf);
    return entry;
}

// Takes the line "<name><value>\n" off the front of rest; false when rest starts otherwise.
bool TakeField(std::string_view& rest, std::string_view name, std::string_view& value) {
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos || rest.substr(0, name.size()) != name) {
        return false;
    }
    value = rest.substr(name.size(), end - name.size());
    rest.remove_prefix(end + 1);
    return true;
}

// The PDF in an entry when the entry is whole and the one kept under key; otherwise
// nothing, with the reason in why.
std::optional<std::string_view> UnsealedPdf(std::string_view entry, const std::string& key,
                                            std::string& why) {
    if (entry.substr(0, kEntryHead.size()) != kEntryHead) {
        why = "It holds no record of its digest.";
        return std::nullopt;
    }
    std::string_view rest = entry.substr(kEntryHead.size());
    std::string_view recordedKey, digest;
    if (!TakeField(rest, kKeyField, recordedKey) || !TakeField(rest, kDigestField, digest) ||
        rest.substr(0, 1) != "\n") {
        why = "It holds no record of its digest.";
        return std::nullopt;
    }
    rest.remove_prefix(1);
    if (recordedKey != key) {
        why = "It was kept for another page.";
        return std::nullopt;
    }
    if (Sha256Hex(rest) != digest) {
        why = "It does not match the digest recorded with it.";
        return std::nullopt;
    }
    return rest;
}

// Removes an entry that failed its check, whatever it is; a link goes, not what it names.
void Drop(const std::string& entry) {
    struct stat info {};
    if (::lstat(entry.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::error_code ignored;
        fs::remove_all(entry, ignored);
        return;
    }
    ::unlink(entry.c_str());
}

void AddPiece(Sha256& hash, std::string_view bytes) {
    hash.Add(std::to_string(bytes.size()) + ":");
    hash.Add(bytes);
}

struct Entry {
    timespec used;  // status-change time: written, or marked on use
    uint64_t size;
    std::string path;
};

bool UsedEarlier(const Entry& a, const Entry& b) {
    return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec
                                          : a.used.tv_nsec < b.used.tv_nsec;
}

// Earlier versions kept bare PDFs as "<64 hex digits>.pdf"; they are never read again.
bool IsFormerEntry(const std::string& name) {
    return name.size() == 68 && name.compare(64, 4, ".pdf") == 0 &&
           std::all_of(name.begin(), name.begin() + 64,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<Entry> Entries(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (IsFormerEntry(name)) {
            ::unlink(it->path().c_str());
            continue;
        }
        struct stat info {};
        if (name.rfind("._", 0) == 0 || it->path().extension() != kEntrySuffix ||
            ::lstat(it->path().c_str(), &info) != 0) {
            continue;
        }
        entries.push_back({info.st_ctim, static_cast<uint64_t>(info.st_size), it->path()});
    }
    return entries;
}

}  // namespace

RenderCache::RenderCache(std::string folder, std::string fingerprint)
    : folder_(std::move(folder)), fingerprint_(std::move(fingerprint)) {}

std::string RenderCache::EntryPath(const std::string& key) const {
    return folder_ + "/" + key + kEntrySuffix;
}

std::string RenderCache::KeyFor(render::PageKind kind, const std::string& htmlFile,
                                const std::string& pictures) const {
    Sha256 hash;
    AddPiece(hash, fingerprint_);
    AddPiece(hash, kind == render::PageKind::Chapter ? "chapter" : "page");
    AddPiece(hash, ReadFileBytes(htmlFile));
    // A text-only chapter keeps the key it had before chapters showed pictures.
    if (!pictures.empty()) {
        AddPiece(hash, "pictures");
        AddPiece(hash, pictures);
    }
    if (kind == render::PageKind::Page) {
        // The cover page shows the picture beside it.
        const std::string cover = FolderOf(htmlFile) + "cover.jpg";
        AddPiece(hash, PathExists(cover) ? ReadFileBytes(cover) : "");
    }
    return hash.Hex();
}

CachedPage RenderCache::Fetch(const std::string& key, const std::string& pdfPath) const {
    const std::string entry = EntryPath(key);
    std::string bytes;
    const int error = ReadFileBytesInto(entry, bytes, kLargestEntry);
    if (error == ENOENT || error == ENOTDIR) {
        return {CachedPage::Result::Missing, ""};
    }
    std::string why;
    const std::optional<std::string_view> pdf =
        error == 0 ? UnsealedPdf(bytes, key, why) : std::nullopt;
    if (!pdf) {
        Drop(entry);
        return {CachedPage::Result::Dropped,
                error != 0 ? platform::RegularFileErrorText(error) : why};
    }
    // The bytes just checked are the ones placed: a copy, which no later write in the work
    // folder can take back into the cache. The next build makes it again if it is lost.
    // A page rendered ahead of the build is in place already, byte for byte, and stays.
    // Any other earlier PDF goes first: renamed over, ext4 would write the new file out at
    // once (auto_da_alloc), which costs several times the copy.
    std::string placed;
    if (ReadFileBytesInto(pdfPath, placed, pdf->size()) != 0 || placed != *pdf) {
        ::unlink(pdfPath.c_str());
        WriteFileAtomic(pdfPath, *pdf, platform::Durability::Scratch);
    }
    // Marks the entry as used now (its status-change time), which is what Trim goes by.
    ::utimensat(AT_FDCWD, entry.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);
    return {CachedPage::Result::Placed, ""};
}

bool RenderCache::Holds(const std::string& key) const {
    struct stat info {};
    return Enabled() && ::lstat(EntryPath(key).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void RenderCache::Keep(const std::string& key, const std::string& pdfPath) const {
    try {
        std::string pdf;
        if (const int error = ReadFileBytesInto(pdfPath, pdf, kLargestEntry); error != 0) {
            throw Exception(pdfPath + ": " + platform::RegularFileErrorText(error));
        }
        fs::create_directories(folder_);
        // A crash of the machine may cost the entry its bytes; its check then drops it.
        WriteFileAtomic(EntryPath(key), SealedEntry(key, pdf), platform::Durability::Scratch);
    } catch (const std::exception& e) {
        DebugLog(std::string("render cache: page not kept: ") + e.what());
    }
}

void RenderCache::Trim(uint64_t limitBytes) const {
    if (!Enabled()) {
        return;
    }
    std::vector<Entry> entries = Entries(folder_);
    uint64_t total = 0;
    for (const Entry& entry : entries) {
        total += entry.size;
    }
    std::sort(entries.begin(), entries.end(), UsedEarlier);
    for (const Entry& entry : entries) {
        if (total <= limitBytes) {
            break;
        }
        if (::unlink(entry.path.c_str()) == 0) {
            total -= entry.size;
        }
    }
}

uint64_t RenderCacheLimit() {
    const auto mb =
        NumberSetting("QUILLBY_RENDER_CACHE_MB", static_cast<long long>(kDefaultLimitMb));
    return static_cast<uint64_t>(mb) * 1024 * 1024;
}

}  // namespace quill

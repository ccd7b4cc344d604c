#include "RenderCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "PdfCheck.h"
#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/Digest.h"
#include "common/Errors.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "common/Settings.h"
#include "platform/SystemError.h"

namespace quill {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kDefaultLimitMb = 1024;
constexpr char kEntrySuffix[] = ".pdf";
// Header and end-of-file mark alone take this many bytes.
constexpr off_t kSmallestPdf = 16;

// A hidden name beside `path` that no other writer picks, like AtomicFile's.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{std::random_device{}()};
    return FolderOf(path) + "._" + FileNameOf(path) + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + ".part";
}

// An entry that a crash or a full disk left short is not used.
bool LooksLikePdf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    char head[5] = {};
    char tail[kPdfTailBytes] = {};
    bool ok = ::fstat(fd, &info) == 0 && info.st_size >= kSmallestPdf &&
              ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head);
    if (ok) {
        const off_t tailSize = std::min<off_t>(info.st_size, sizeof tail);
        ok =
            ::pread(fd, tail, static_cast<size_t>(tailSize), info.st_size - tailSize) == tailSize &&
            LooksLikeWholePdf(std::string_view(head, sizeof head),
                              std::string_view(tail, static_cast<size_t>(tailSize)));
    }
    ::close(fd);
    return ok;
}

void AddPiece(Sha256& hash, std::string_view bytes) {
    hash.Add(std::to_string(bytes.size()) + ":");
    hash.Add(bytes);
}

struct Entry {
    timespec used;  // status-change time: a new link or a touch
    uint64_t size;
    std::string path;
};

bool UsedEarlier(const Entry& a, const Entry& b) {
    return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec
                                          : a.used.tv_nsec < b.used.tv_nsec;
}

std::vector<Entry> Entries(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        struct stat info {};
        if (name.rfind("._", 0) == 0 || it->path().extension() != kEntrySuffix ||
            ::stat(it->path().c_str(), &info) != 0) {
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

std::string RenderCache::KeyFor(render::PageKind kind, const std::string& htmlFile) const {
    Sha256 hash;
    AddPiece(hash, fingerprint_);
    AddPiece(hash, kind == render::PageKind::Chapter ? "chapter" : "page");
    AddPiece(hash, ReadFileBytes(htmlFile));
    if (kind == render::PageKind::Page) {
        // The cover page shows the picture beside it.
        const std::string cover = FolderOf(htmlFile) + "cover.jpg";
        AddPiece(hash, ::access(cover.c_str(), F_OK) == 0 ? ReadFileBytes(cover) : "");
    }
    return hash.Hex();
}

bool RenderCache::Fetch(const std::string& key, const std::string& pdfPath) const {
    const std::string entry = EntryPath(key);
    if (!LooksLikePdf(entry)) {
        return false;
    }
    bool linked = false;
    try {
        linked = PlaceFile(entry, pdfPath);
    } catch (const Exception&) {
        // Another build trimmed the cache meanwhile: the page is simply rendered.
        if (::access(entry.c_str(), F_OK) != 0) {
            return false;
        }
        throw;
    }
    // A new link marks the entry as used now (its status-change time), which is what Trim
    // goes by; a copy has to say so itself.
    if (!linked) {
        ::utimensat(AT_FDCWD, entry.c_str(), nullptr, 0);
    }
    return true;
}

void RenderCache::Keep(const std::string& key, const std::string& pdfPath) const {
    try {
        fs::create_directories(folder_);
        PlaceFile(pdfPath, EntryPath(key));
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

bool PlaceFile(const std::string& from, const std::string& to) {
    const std::string temporary = TemporaryNameFor(to);
    if (::link(from.c_str(), temporary.c_str()) == 0) {
        if (::rename(temporary.c_str(), to.c_str()) == 0) {
            return true;
        }
        const int error = errno;
        ::unlink(temporary.c_str());
        throw EWriteError(to, platform::SystemErrorText(error));
    }
    const int error = errno;
    // Across file systems, or on one without hard links, the bytes are copied.
    // Both ends are files a later build can make again; the disk is not waited for.
    if (error == EXDEV || error == EPERM || error == EMLINK || error == EOPNOTSUPP) {
        WriteFileAtomic(to, ReadFileBytes(from), platform::Durability::Scratch);
        return false;
    }
    throw EFCreateError(to, platform::SystemErrorText(error));
}

}  // namespace quill

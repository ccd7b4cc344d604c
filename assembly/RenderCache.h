#pragma once

#include <cstdint>
#include <string>

#include "assembly/RenderProtocol.h"

namespace quill {

// Rendered pages kept between builds, one PDF per key in one folder. A key covers the page's
// bytes and everything else that shapes its PDF (the fingerprint), so an entry is reused
// only where rendering again would give the same book. Every file appears atomically; the
// cache is only ever an aid: when it cannot be written, pages are simply rendered again.
class RenderCache {
  public:
    // folder empty: no cache.
    RenderCache(std::string folder, std::string fingerprint);

    bool Enabled() const { return !folder_.empty(); }

    // The key of a page file; the cover page's key also covers the picture it shows.
    std::string KeyFor(render::PageKind kind, const std::string& htmlFile) const;

    // Puts the PDF kept under key at pdfPath; false when there is none, when it is not
    // whole (a crash cut it short), or when it is gone since (another build trimmed it).
    bool Fetch(const std::string& key, const std::string& pdfPath) const;

    // Keeps a freshly rendered PDF under key.
    void Keep(const std::string& key, const std::string& pdfPath) const;

    // Removes the entries used longest ago until the cache holds at most limitBytes.
    void Trim(uint64_t limitBytes) const;

  private:
    std::string EntryPath(const std::string& key) const;

    std::string folder_;
    std::string fingerprint_;
};

// The most the cache may hold: QUILLBY_RENDER_CACHE_MB, or 1 GiB.
uint64_t RenderCacheLimit();

// Places the file at from also at to, in one step: a hard link where the file system allows
// one (no bytes are copied; true), else an atomic copy (false). Throws when neither works.
bool PlaceFile(const std::string& from, const std::string& to);

}  // namespace quill

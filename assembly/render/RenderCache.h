#pragma once

#include <cstdint>
#include <string>

#include "page/RenderProtocol.h"

namespace quill {

// What a look-up in the render cache came to.
struct CachedPage {
    enum class Result {
        Placed,   // the page's PDF is in place, taken from the cache
        Missing,  // the cache holds no page under the key
        Dropped,  // it held one that failed its check; it is gone now
    };
    Result result = Result::Missing;
    // For Dropped, why, in a sentence about the entry ("It does not match the digest …").
    std::string why;
};

// Rendered pages kept between builds, one entry per key in one folder. A key covers the
// page's bytes and everything else that shapes its PDF (the fingerprint), so an entry is
// reused only where rendering again would give the same book. Each entry records its key
// and the SHA-256 of its PDF, and is checked against both on every use, so that an entry
// cut short, written into or put in another's place is never taken. Only copies leave the
// cache: nothing written in the work folder can reach an entry. Every file appears
// atomically; the cache is only ever an aid: when it cannot be written, pages are simply
// rendered again.
class RenderCache {
  public:
    // folder empty: no cache.
    RenderCache(std::string folder, std::string fingerprint);

    bool Enabled() const { return !folder_.empty(); }

    // The key of a page file; the cover page's key also covers the picture it shows, and a
    // chapter's the pictures it shows (`pictures`, see PicturesKeyPiece; empty for none).
    std::string KeyFor(render::PageKind kind, const std::string& htmlFile,
                       const std::string& pictures = "") const;

    // Writes the PDF kept under key to pdfPath (atomically, replacing what was there) when
    // the entry passes its check. An entry that does not, or that is not a regular file (a
    // link is not followed, a pipe not waited on), is removed. Throws when pdfPath cannot be
    // written.
    CachedPage Fetch(const std::string& key, const std::string& pdfPath) const;

    // Whether an entry is kept under key, unchecked: only a guess at whether Fetch will
    // place it.
    bool Holds(const std::string& key) const;

    // Keeps a freshly rendered PDF under key, replacing any entry there.
    void Keep(const std::string& key, const std::string& pdfPath) const;

    // Removes the pages of the former layout (bare PDFs, never read again), then the
    // entries used longest ago until the cache holds at most limitBytes.
    void Trim(uint64_t limitBytes) const;

  private:
    std::string EntryPath(const std::string& key) const;

    std::string folder_;
    std::string fingerprint_;
};

// The most the cache may hold: QUILLBY_RENDER_CACHE_MB, or 1 GiB.
uint64_t RenderCacheLimit();

}  // namespace quill

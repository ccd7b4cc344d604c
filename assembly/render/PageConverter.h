#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "RenderCache.h"
#include "RenderPool.h"
#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "cleaning/CleanedChapters.h"

namespace quill {

// One page of the work folder: N.html, 0 being the cover page.
struct Page {
    long long number;
    std::string html;
    render::PageKind kind;
    std::string key;  // empty without a cache, or when the page cannot be read
};

// The render cache for what the job's pages are rendered with: the engine, the settings,
// the style and the fonts.
RenderCache OpenCache(const BookJob& job, const CleanedChapters& chapters);

// Page n of the job's work folder, with its cache key when its file can be read.
Page PageOf(const BookJob& job, const RenderCache& cache, long long n);

// How many workers render the job's pages side by side at most.
int RenderWorkersFor(const BookJob& job);

// Takes the pages up in order, each from the cache or handed to a free worker within its
// bound, and keeps or reports each rendered one as it is finished. The chapter to render is
// cleaned while the workers render the ones before it.
class PageConverter {
  public:
    PageConverter(BookJob& job, CleanedChapters& chapters, BuildReport& report,
                  const RenderCache& cache, RenderPool& pool);

    // Takes one page up; waits for a worker when every one is busy.
    void Convert(const Page& page);
    // Settles the pages finished until `until` (now: those finished so far), or until every
    // page is.
    void Collect(RenderPool::Clock::time_point until);

    // Told the key of each page rendered and kept in the cache.
    std::function<void(const std::string& key)> onKept;

  private:
    struct Rendering {
        Page page;
        std::string pdf;
    };

    void Settle(const std::vector<RenderPool::Finished>& finished);
    void LeftOut(long long number, const std::string& why);
    void Progress(const Page& page, bool fromCache);

    BookJob& job_;
    CleanedChapters& chapters_;
    BuildReport& report_;
    const RenderCache& cache_;
    RenderPool& pool_;
    const PageLook look_;
    std::map<long long, Rendering> rendering_;
};

}  // namespace quill

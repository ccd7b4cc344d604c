// Rendering the cover page and the chapter files to PDF: in render workers side by side,
// each page within its bound, or taken from the render cache.
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "EngineIdentity.h"
#include "FontSet.h"
#include "PageConverter.h"
#include "PictureKey.h"
#include "RenderFingerprint.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "page/PageRender.h"
#include "platform/SystemResources.h"
#include "render/ConvertChapters.h"
#include "wkhtmltox/WkHtmlToXBindings.h"

namespace quill {

namespace {

// Why a page is left out of the book.
std::string LeftOutReason(const RenderOutcome& outcome, std::chrono::milliseconds bound) {
    switch (outcome.status) {
        case RenderOutcome::Status::TimedOut:
            return "rendering it took longer than " + DescribeBound(bound);
        case RenderOutcome::Status::Ended:
            return "the renderer stopped while rendering it: " + outcome.message;
        default:
            return outcome.message;
    }
}

// The cache key of a page, or an empty key when the page cannot be read (its render
// reports why).
std::string KeyOf(const RenderCache& cache, render::PageKind kind, const std::string& html,
                  const std::string& pictures) {
    try {
        return cache.KeyFor(kind, html, pictures);
    } catch (const std::exception& e) {
        DebugLog(std::string("render cache: ") + e.what());
        return "";
    }
}

// The key of a page as its files are now.
std::string KeyNow(const BookJob& job, const RenderCache& cache, render::PageKind kind, long long n,
                   const std::string& html) {
    const bool pictures = job.pictures && kind == render::PageKind::Chapter;
    return KeyOf(cache, kind, html, pictures ? PicturesKeyPiece(job.tmpdir, n) : "");
}

// A chapter of a volume that stays as it is needs no page.
bool InKeptVolume(const BookJob& job, long long n) {
    const int volume = VolumeOf(static_cast<int>(n), job.choices.volumeChapters);
    return volume > 0 && std::find(job.keepVolumes.begin(), job.keepVolumes.end(), volume) !=
                             job.keepVolumes.end();
}

// The pages of the work folder in order, with their cache keys.
std::vector<Page> FindPages(const BookJob& job, const RenderCache& cache, BuildReport& report) {
    std::vector<Page> pages;
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 0; n <= job.lastchapter; ++n) {
        report.ProcessMessages();
        if (n > 0 && InKeptVolume(job, n)) {
            continue;
        }
        if (FileExists(JoinPath(job.tmpdir, std::to_string(n) + ".html"))) {
            pages.push_back(PageOf(job, cache, n));
        } else {
            // A page rendered ahead whose file has gone since is no page of this book.
            std::remove(JoinPath(job.tmpdir, std::to_string(n) + ".pdf").c_str());
        }
    }
    return pages;
}

}  // namespace

RenderCache OpenCache(const BookJob& job, const CleanedChapters& chapters) {
    if (job.renderCache.empty()) {
        return RenderCache("", "");
    }
    const std::string engine =
        EngineIdentity(job.renderCache, wk::WkHtmlToXLibraryName(), job.renderer);
    // A font installed or a configuration changed can change any page.
    return RenderCache(job.renderCache,
                       RenderFingerprint(engine) + FontSetIdentity() +
                           BookChoicesFingerprint(LookOf(job.choices, job.booklanguage),
                                                  chapters.RenderedCopyIdentity()));
}

Page PageOf(const BookJob& job, const RenderCache& cache, long long n) {
    Page page{n, IncludeTrailingSeparator(job.tmpdir) + std::to_string(n) + ".html",
              n == 0 ? render::PageKind::Page : render::PageKind::Chapter, ""};
    if (cache.Enabled()) {
        page.key = KeyNow(job, cache, page.kind, n, page.html);
    }
    return page;
}

int RenderWorkersFor(const BookJob& job) {
    return job.renderWorkers > 0 ? job.renderWorkers : platform::UsableProcessors();
}

PageConverter::PageConverter(BookJob& job, CleanedChapters& chapters, BuildReport& report,
                             const RenderCache& cache, RenderPool& pool)
    : job_(job),
      chapters_(chapters),
      report_(report),
      cache_(cache),
      pool_(pool),
      look_(LookOf(job.choices, job.booklanguage)) {}

void PageConverter::Convert(const Page& page) {
    Collect(RenderPool::Clock::now());
    const std::string pdf =
        IncludeTrailingSeparator(job_.tmpdir) + std::to_string(page.number) + ".pdf";
    // A cached page replaces any earlier PDF in one step. Rendering every page anew spares
    // those this job has rendered already.
    CachedPage cached;
    if (!page.key.empty() && (!job_.renderAgain || job_.renderedAnew.count(page.key) > 0)) {
        cached = cache_.Fetch(page.key, pdf);
    }
    if (cached.result == CachedPage::Result::Placed) {
        Progress(page, true);
        return;
    }
    CleanedChapters::Copy copy{page.html, ""};
    if (page.kind == render::PageKind::Chapter) {
        copy = chapters_.RenderedCopy(static_cast<int>(page.number));
    }
    while (!pool_.CanTake()) {
        Settle(pool_.Wait());
    }
    if (cached.result == CachedPage::Result::Dropped) {
        report_.Report(build::CachedCopyDropped{static_cast<int>(page.number), cached.why});
    }
    Progress(page, false);
    // A PDF from an earlier build must not stand in for a page that fails now.
    std::remove(pdf.c_str());
    if (copy.path.empty()) {
        LeftOut(page.number, copy.why);
        return;
    }
    pool_.Submit(page.number, {page.kind, copy.path, pdf, look_}, job_.chapterTimeout);
    rendering_[page.number] = {page, pdf};
}

void PageConverter::Collect(RenderPool::Clock::time_point until) {
    if (!pool_.Busy()) {
        return;
    }
    do {
        Settle(pool_.Wait(until));
    } while (pool_.Busy() && RenderPool::Clock::now() < until);
}

void PageConverter::Settle(const std::vector<RenderPool::Finished>& finished) {
    for (const RenderPool::Finished& page : finished) {
        const auto it = rendering_.find(page.tag);
        if (it == rendering_.end()) {
            continue;
        }
        const Rendering done = it->second;
        rendering_.erase(it);
        if (page.outcome.status != RenderOutcome::Status::Done) {
            LeftOut(page.tag, LeftOutReason(page.outcome, job_.chapterTimeout));
        } else if (!done.page.key.empty() && KeyNow(job_, cache_, done.page.kind, done.page.number,
                                                    done.page.html) == done.page.key) {
            // Kept only under the key of what was rendered: a page file that changed while
            // it rendered is no longer the page the key names.
            cache_.Keep(done.page.key, done.pdf);
            if (onKept) {
                onKept(done.page.key);
            }
        }
    }
}

void PageConverter::LeftOut(long long number, const std::string& why) {
    job_.unrendered.push_back(static_cast<int>(number));
    report_.Report(build::PageLeftOut{static_cast<int>(number), why});
}

void PageConverter::Progress(const Page& page, bool fromCache) {
    report_.Report(
        build::PageRendering{static_cast<int>(page.number), job_.lastchapter, fromCache});
}

void ConvertChapters(BookJob& job, CleanedChapters& chapters, BuildReport& report) {
    const RenderCache cache = OpenCache(job, chapters);
    RenderPool pool(job.renderer, wk::WkHtmlToXLibraryName(), report.Window(), job.cancelled,
                    RenderWorkersFor(job));
    const std::vector<Page> pages = FindPages(job, cache, report);
    const bool renders = std::any_of(pages.begin(), pages.end(), [&](const Page& page) {
        return page.key.empty() || !cache.Holds(page.key) ||
               (job.renderAgain && job.renderedAnew.count(page.key) == 0);
    });
    if (renders) {
        // Starting the engine takes longer than putting a long book's cached pages in
        // place; it starts meanwhile. A book whose pages were all rendered ahead starts
        // none.
        pool.LaunchEarly();
    }
    PageConverter converter(job, chapters, report, cache, pool);
    for (const Page& page : pages) {
        if (job.cancelled && job.cancelled()) {
            throw EBuildCancelled("The book build was cancelled");
        }
        report.ProcessMessages();
        converter.Convert(page);
    }
    converter.Collect(RenderPool::Clock::time_point::max());
    cache.Trim(RenderCacheLimit());
}

}  // namespace quill

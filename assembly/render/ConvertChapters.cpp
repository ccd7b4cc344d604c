// Rendering the cover page and the chapter files to PDF: each in the render worker within
// its bound, or taken from the render cache.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "EngineIdentity.h"
#include "FontSet.h"
#include "PictureKey.h"
#include "RenderCache.h"
#include "RenderFingerprint.h"
#include "RenderWorker.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "page/PageRender.h"
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

// A chapter of a volume that stays as it is needs no page.
bool InKeptVolume(const BookJob& job, long long n) {
    const int volume = VolumeOf(static_cast<int>(n), job.choices.volumeChapters);
    return volume > 0 && std::find(job.keepVolumes.begin(), job.keepVolumes.end(), volume) !=
                             job.keepVolumes.end();
}

struct Page {
    long long number;
    std::string html;
    render::PageKind kind;
    std::string key;  // empty without a cache, or when the page cannot be read
};

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

// The pages of the work folder in order, with their cache keys.
std::vector<Page> FindPages(const BookJob& job, const RenderCache& cache, BuildReport& report) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    std::vector<Page> pages;
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 0; n <= job.lastchapter; ++n) {
        report.ProcessMessages();
        Page page{n, prefix + std::to_string(n) + ".html",
                  n == 0 ? render::PageKind::Page : render::PageKind::Chapter, ""};
        if ((n > 0 && InKeptVolume(job, n)) || !FileExists(page.html)) {
            continue;
        }
        if (cache.Enabled()) {
            const bool pictures = job.pictures && page.kind == render::PageKind::Chapter;
            page.key =
                KeyOf(cache, page.kind, page.html, pictures ? PicturesKeyPiece(job.tmpdir, n) : "");
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

// Renders the pages in order, each in the worker within its bound, or takes them from the
// cache. While a page renders, the cached pages after it are put in place and the next
// chapter to render is cleaned.
class PageConverter {
  public:
    PageConverter(BookJob& job, CleanedChapters& chapters, BuildReport& report,
                  const RenderCache& cache, RenderWorker& worker)
        : job_(job),
          chapters_(chapters),
          report_(report),
          cache_(cache),
          worker_(worker),
          look_(LookOf(job.choices, job.booklanguage)) {}

    void Convert(const Page& page) {
        const std::string number = std::to_string(page.number);
        const std::string prefix = IncludeTrailingSeparator(job_.tmpdir);
        const std::string pdf = prefix + number + ".pdf";
        // A cached page replaces any earlier PDF in one step.
        CachedPage cached;
        if (!page.key.empty() && !job_.renderAgain) {
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
        // Pages to render keep their reports in order; only cached ones overtake.
        Finish();
        if (cached.result == CachedPage::Result::Dropped) {
            report_.Report(build::CachedCopyDropped{static_cast<int>(page.number), cached.why});
        }
        Progress(page, false);
        // A PDF from an earlier build must not stand in for a page that fails now.
        std::remove(pdf.c_str());
        rendering_ = page;
        renderingPdf_ = pdf;
        if (copy.path.empty()) {
            // Told where a page that fails to render is told: when the next one is taken up.
            unreadable_ = copy.why;
            return;
        }
        worker_.Submit({page.kind, copy.path, pdf, look_}, job_.chapterTimeout);
    }

    // Waits for the page being rendered and keeps it, or records it as left out.
    void Finish() {
        std::string why;
        if (unreadable_) {
            why = *std::exchange(unreadable_, std::nullopt);
        } else if (!worker_.Pending()) {
            return;
        } else {
            const RenderOutcome outcome = worker_.Collect();
            if (outcome.status == RenderOutcome::Status::Done) {
                if (!rendering_.key.empty()) {
                    cache_.Keep(rendering_.key, renderingPdf_);
                }
                return;
            }
            why = LeftOutReason(outcome, job_.chapterTimeout);
        }
        job_.unrendered.push_back(static_cast<int>(rendering_.number));
        report_.Report(build::PageLeftOut{static_cast<int>(rendering_.number), why});
    }

  private:
    void Progress(const Page& page, bool fromCache) {
        report_.Report(
            build::PageRendering{static_cast<int>(page.number), job_.lastchapter, fromCache});
    }

    BookJob& job_;
    CleanedChapters& chapters_;
    BuildReport& report_;
    const RenderCache& cache_;
    RenderWorker& worker_;
    const PageLook look_;
    Page rendering_{};
    std::string renderingPdf_;
    std::optional<std::string> unreadable_;  // why the chapter taken up cannot be rendered
};

}  // namespace

void ConvertChapters(BookJob& job, CleanedChapters& chapters, BuildReport& report) {
    const RenderCache cache = OpenCache(job, chapters);
    RenderWorker worker(job.renderer, wk::WkHtmlToXLibraryName(), report.Window(), job.cancelled);
    if (job.lastchapter >= 0) {
        // Starting the engine takes longer than looking up a long book's pages in the
        // cache; it starts meanwhile, and is stopped unused when every page is cached.
        worker.LaunchEarly();
    }
    const std::vector<Page> pages = FindPages(job, cache, report);
    PageConverter converter(job, chapters, report, cache, worker);
    for (const Page& page : pages) {
        if (job.cancelled && job.cancelled()) {
            throw EBuildCancelled("The book build was cancelled");
        }
        report.ProcessMessages();
        converter.Convert(page);
    }
    converter.Finish();
    cache.Trim(RenderCacheLimit());
}

}  // namespace quill

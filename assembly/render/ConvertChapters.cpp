// Rendering the cover page and the chapter files to PDF: each in the render worker within
// its bound, or taken from the render cache.
#include <cstdio>
#include <vector>

#include "EngineIdentity.h"
#include "FontSet.h"
#include "RenderCache.h"
#include "RenderWorker.h"
#include "common/DebugLog.h"
#include "common/Paths.h"
#include "page/PageRender.h"
#include "render/ConvertChapters.h"
#include "wkhtmltox/WkHtmlToXBindings.h"

namespace quill {

namespace {

std::string PageName(int n) {
    return n == 0 ? "the cover page" : "chapter " + std::to_string(n);
}

// The window-log line for a page that is left out of the book.
std::string LeftOutLine(int n, const RenderOutcome& outcome, std::chrono::milliseconds bound) {
    std::string why;
    switch (outcome.status) {
        case RenderOutcome::Status::TimedOut:
            why = "rendering it took longer than " + DescribeBound(bound);
            break;
        case RenderOutcome::Status::Ended:
            why = "the renderer stopped while rendering it: " + outcome.message;
            break;
        default:
            why = outcome.message;
    }
    return PageName(n) + " left out of the book: " + why;
}

RenderCache OpenCache(const BookJob& job) {
    if (job.renderCache.empty()) {
        return RenderCache("", "");
    }
    const std::string engine =
        EngineIdentity(job.renderCache, wk::WkHtmlToXLibraryName(), job.renderer);
    // A font installed or a configuration changed can change any page.
    return RenderCache(job.renderCache, RenderFingerprint(engine) + FontSetIdentity());
}

struct Page {
    long long number;
    std::string html;
    render::PageKind kind;
    std::string key;  // empty without a cache, or when the page cannot be read
};

// The cache key of a page, or an empty key when the page cannot be read (its render
// reports why).
std::string KeyOf(const RenderCache& cache, render::PageKind kind, const std::string& html) {
    try {
        return cache.KeyFor(kind, html);
    } catch (const std::exception& e) {
        DebugLog(std::string("render cache: ") + e.what());
        return "";
    }
}

// The pages of the work folder in order, with their cache keys.
std::vector<Page> FindPages(const BookJob& job, const RenderCache& cache, IWindowLog& log) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    std::vector<Page> pages;
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 0; n <= job.lastchapter; ++n) {
        log.ProcessMessages();
        Page page{n, prefix + std::to_string(n) + ".html",
                  n == 0 ? render::PageKind::Page : render::PageKind::Chapter, ""};
        if (!FileExists(page.html)) {
            continue;
        }
        if (cache.Enabled()) {
            page.key = KeyOf(cache, page.kind, page.html);
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

// Renders the pages in order, each in the worker within its bound, or takes them from the
// cache. While a page renders, the cached pages after it are put in place.
class PageConverter {
  public:
    PageConverter(BookJob& job, IWindowLog& log, const RenderCache& cache, RenderWorker& worker)
        : job_(job), log_(log), cache_(cache), worker_(worker) {}

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
            Progress(number);
            return;
        }
        // Pages to render keep their lines in order; only cached ones overtake.
        Finish();
        if (cached.result == CachedPage::Result::Dropped) {
            log_.Log(PageName(static_cast<int>(page.number)) +
                     " is rendered again, as its cached copy cannot be used. " + cached.why);
            lineKept_ = true;
        }
        Progress(number);
        // A PDF from an earlier build must not stand in for a page that fails now.
        std::remove(pdf.c_str());
        worker_.Submit({page.kind, page.html, prefix + ".render-" + number + ".html", pdf},
                       job_.chapterTimeout);
        rendering_ = page;
        renderingPdf_ = pdf;
    }

    // Waits for the page being rendered and keeps it, or records it as left out.
    void Finish() {
        if (!worker_.Pending()) {
            return;
        }
        const RenderOutcome outcome = worker_.Collect();
        if (outcome.status == RenderOutcome::Status::Done) {
            if (!rendering_.key.empty()) {
                cache_.Keep(rendering_.key, renderingPdf_);
            }
            return;
        }
        job_.unrendered.push_back(static_cast<int>(rendering_.number));
        log_.Log(LeftOutLine(static_cast<int>(rendering_.number), outcome, job_.chapterTimeout));
        lineKept_ = true;
    }

  private:
    void Progress(const std::string& number) {
        const std::string line = "process html pdf " + number;
        lineKept_ ? log_.Log(line) : log_.UpdateLog(line);
        lineKept_ = false;
    }

    BookJob& job_;
    IWindowLog& log_;
    const RenderCache& cache_;
    RenderWorker& worker_;
    Page rendering_{};
    std::string renderingPdf_;
    bool lineKept_ = false;  // a left-out line must not be replaced by the next progress line
};

}  // namespace

void ConvertChapters(BookJob& job, IWindowLog& log) {
    const RenderCache cache = OpenCache(job);
    RenderWorker worker(job.renderer, wk::WkHtmlToXLibraryName(), log, job.cancelled);
    if (job.lastchapter >= 0) {
        // Starting the engine takes longer than looking up a long book's pages in the
        // cache; it starts meanwhile, and is stopped unused when every page is cached.
        worker.LaunchEarly();
    }
    const std::vector<Page> pages = FindPages(job, cache, log);
    PageConverter converter(job, log, cache, worker);
    for (const Page& page : pages) {
        if (job.cancelled && job.cancelled()) {
            throw EBuildCancelled("The book build was cancelled");
        }
        log.ProcessMessages();
        converter.Convert(page);
    }
    converter.Finish();
    cache.Trim(RenderCacheLimit());
}

}  // namespace quill

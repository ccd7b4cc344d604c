// Rendering the cover page and the chapter files to PDF: each in the render worker within
// its bound, or taken from the render cache.
#include <cstdio>

#include "RenderCache.h"
#include "RenderWorker.h"
#include "assembly/BookBuilder.h"
#include "assembly/ChapterRender.h"
#include "assembly/WkHtmlToXBindings.h"
#include "common/DebugLog.h"
#include "common/Paths.h"

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
    return RenderCache(job.renderCache, RenderFingerprint(EngineVersion()));
}

// The cache key of a page, or an empty key when the page cannot be read (its render
// reports why).
std::string KeyOf(const RenderCache& cache, render::PageKind kind, const std::string& html) {
    if (!cache.Enabled()) {
        return "";
    }
    try {
        return cache.KeyFor(kind, html);
    } catch (const std::exception& e) {
        DebugLog(std::string("render cache: ") + e.what());
        return "";
    }
}

}  // namespace

void ConvertChapters(BookJob& job, IWindowLog& log) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    const RenderCache cache = OpenCache(job);
    RenderWorker worker(job.renderer, wk::WkHtmlToXLibraryName(), log, job.cancelled);
    bool lineKept = false;  // a left-out line must not be replaced by the next progress line
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = 0; n <= job.lastchapter; ++n) {
        if (job.cancelled && job.cancelled()) {
            throw EBuildCancelled("The book build was cancelled");
        }
        log.ProcessMessages();
        const std::string html = prefix + std::to_string(n) + ".html";
        if (!FileExists(html)) {
            continue;
        }
        const std::string progress = "process html pdf " + std::to_string(n);
        lineKept ? log.Log(progress) : log.UpdateLog(progress);
        lineKept = false;
        const std::string pdf = prefix + std::to_string(n) + ".pdf";
        // A PDF from an earlier build must not stand in for a page that fails now.
        std::remove(pdf.c_str());
        const render::PageKind kind = n == 0 ? render::PageKind::Page : render::PageKind::Chapter;
        const std::string key = KeyOf(cache, kind, html);
        if (!key.empty() && cache.Fetch(key, pdf)) {
            continue;
        }
        const render::Request request{kind, html, prefix + ".render-" + std::to_string(n) + ".html",
                                      pdf};
        const RenderOutcome outcome = worker.Render(request, job.chapterTimeout);
        if (outcome.status == RenderOutcome::Status::Done) {
            if (!key.empty()) {
                cache.Keep(key, pdf);
            }
            continue;
        }
        job.unrendered.push_back(static_cast<int>(n));
        log.Log(LeftOutLine(static_cast<int>(n), outcome, job.chapterTimeout));
        lineKept = true;
    }
    cache.Trim(RenderCacheLimit());
}

}  // namespace quill

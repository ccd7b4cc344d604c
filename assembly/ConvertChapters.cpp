// Rendering the cover page and the chapter files to PDF, each in the render worker within
// its bound.
#include <cstdio>

#include "RenderWorker.h"
#include "assembly/BookBuilder.h"
#include "assembly/WkHtmlToXBindings.h"
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

}  // namespace

void ConvertChapters(BookJob& job, IWindowLog& log) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
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
        const render::Request request{kind, html, prefix + ".render-" + std::to_string(n) + ".html",
                                      pdf};
        const RenderOutcome outcome = worker.Render(request, job.chapterTimeout);
        if (outcome.status == RenderOutcome::Status::Done) {
            continue;
        }
        job.unrendered.push_back(static_cast<int>(n));
        log.Log(LeftOutLine(static_cast<int>(n), outcome, job.chapterTimeout));
        lineKept = true;
    }
}

}  // namespace quill

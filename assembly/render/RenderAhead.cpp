#include "render/RenderAhead.h"

#include <set>
#include <utility>

#include "PageConverter.h"
#include "cleaning/StoryLanguage.h"
#include "common/DebugLog.h"
#include "pictures/BookPictures.h"
#include "wkhtmltox/WkHtmlToXBindings.h"

namespace quill {

namespace {

// Rendering ahead gives way to whatever the user is doing.
constexpr int kBackgroundNiceness = 10;

}  // namespace

struct RenderAhead::State {
    State(const BookJob& settings, const std::string& language)
        : job(Settled(settings, language)),
          report(window, nullptr),
          pictures(job.tmpdir),
          chapters(job.tmpdir, false, job.booklanguage, job.choices.ragged ? "" : job.booklanguage,
                   job.pictures ? &pictures : nullptr),
          cache(OpenCache(job, chapters)),
          pool(job.renderer, wk::WkHtmlToXLibraryName(), window, job.cancelled,
               RenderWorkersFor(job), kBackgroundNiceness),
          converter(job, chapters, report, cache, pool) {
        converter.onKept = [this](const std::string& key) { job.renderedAnew.insert(key); };
    }

    static BookJob Settled(BookJob job, const std::string& language) {
        job.booklanguage = language;
        return job;
    }

    BookJob job;
    SilentWindowLog window;  // the build reports its pages when it runs
    BuildReport report;
    BookPictures pictures;
    CleanedChapters chapters;
    const RenderCache cache;
    RenderPool pool;
    PageConverter converter;
    std::set<int> taken;
};

// Only a PDF is rendered, and only into a cache a build can take it from.
RenderAhead::RenderAhead(const BookJob& job)
    : job_(job), enabled_(!job.renderCache.empty() && job.format != BookFormat::Epub) {}

RenderAhead::~RenderAhead() = default;

// The pages' look and cache key take the story's language. When the site names none, the
// chapters' script tells it, so the cover page waits for the first chapter.
void RenderAhead::Add(int n) {
    if (!enabled_) {
        return;
    }
    if (!state_) {
        const std::string language = BookLanguage(job_.booklanguage, job_.tmpdir, job_.lastchapter);
        if (n == 0 && language == "und") {
            coverWaiting_ = true;
            return;
        }
        state_ = std::make_unique<State>(job_, language);
    }
    if (std::exchange(coverWaiting_, false)) {
        Take(0);
    }
    Take(n);
}

void RenderAhead::Take(int n) {
    if (!state_->taken.insert(n).second) {
        return;
    }
    const Page page = PageOf(state_->job, state_->cache, n);
    if (page.key.empty()) {
        return;  // its file cannot be read; the build says why
    }
    DebugLog("page " + std::to_string(n) + " taken up ahead of the build");
    state_->converter.Convert(page);
}

void RenderAhead::Collect(std::chrono::milliseconds wait) {
    if (state_) {
        state_->converter.Collect(RenderPool::Clock::now() + wait);
    }
}

void RenderAhead::Finish() {
    if (state_) {
        state_->converter.Collect(RenderPool::Clock::time_point::max());
    }
}

bool RenderAhead::Busy() const {
    return state_ && state_->pool.Busy();
}

std::set<std::string> RenderAhead::RenderedAnew() const {
    return state_ ? state_->job.renderedAnew : std::set<std::string>{};
}

}  // namespace quill

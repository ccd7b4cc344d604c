#include "render/RenderAhead.h"

#include <set>

#include "PageConverter.h"
#include "common/DebugLog.h"
#include "wkhtmltox/WkHtmlToXBindings.h"

namespace quill {

namespace {

// Rendering ahead gives way to whatever the user is doing.
constexpr int kBackgroundNiceness = 10;

// Nothing rendered ahead reaches the window: the build reports its pages when it runs.
class NoWindow : public IWindowLog {
  public:
    void Log(const std::string&) override {}
    void UpdateLog(const std::string&) override {}
    void ProcessMessages() override {}
};

}  // namespace

struct RenderAhead::State {
    explicit State(const BookJob& settings)
        : job(settings),
          report(window, nullptr),
          cache(OpenCache(job)),
          chapters(job.tmpdir, false),
          pool(job.renderer, wk::WkHtmlToXLibraryName(), window, job.cancelled,
               RenderWorkersFor(job), kBackgroundNiceness),
          converter(job, chapters, report, cache, pool) {
        converter.onKept = [this](const std::string& key) { job.renderedAnew.insert(key); };
    }

    BookJob job;
    NoWindow window;
    BuildReport report;
    const RenderCache cache;
    CleanedChapters chapters;
    RenderPool pool;
    PageConverter converter;
    std::set<int> taken;
};

RenderAhead::RenderAhead(const BookJob& job) {
    if (!job.renderCache.empty()) {
        state_ = std::make_unique<State>(job);
    }
}

RenderAhead::~RenderAhead() = default;

void RenderAhead::Add(int n) {
    if (!state_ || !state_->taken.insert(n).second) {
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

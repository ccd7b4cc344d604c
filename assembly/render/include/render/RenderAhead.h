#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>

#include "bookjob/BookJob.h"

namespace quill {

// Renders pages into the render cache before the book is built: the job core hands each
// page over as soon as its file is whole, while the downloader still runs. A page goes the
// way a build's pages go (the same rendered copy, cache key, workers, bound and failure
// rules), only at a low priority and without a word in the window, and the build then takes
// it from the cache. Without a render cache nothing is rendered ahead: no build could take
// it.
class RenderAhead {
  public:
    // job: what the build will be asked for; its folders, engine, cache, bound and refresh
    // are what matter here. job.cancelled stops the rendering (EBuildCancelled).
    explicit RenderAhead(const BookJob& job);
    ~RenderAhead();
    RenderAhead(const RenderAhead&) = delete;
    RenderAhead& operator=(const RenderAhead&) = delete;

    // Takes page n up (0: the cover page), once: from the cache when it is there, otherwise
    // handed to a worker, waiting for one when every one is busy. Throws what a build's
    // rendering throws (an engine that cannot start, a file that cannot be written).
    void Add(int n);
    // Settles the pages that finish within `wait`, keeping them in the cache. A page's
    // bound is kept to the moment only while it is waited for here.
    void Collect(std::chrono::milliseconds wait);
    // Waits for every page taken up.
    void Finish();
    bool Busy() const;

    // The cache keys of the pages rendered anew, which a build that renders every page anew
    // may take from the cache all the same.
    std::set<std::string> RenderedAnew() const;

  private:
    struct State;
    void Take(int n);

    BookJob job_;
    bool enabled_;
    bool coverWaiting_ = false;
    std::unique_ptr<State> state_;
};

}  // namespace quill

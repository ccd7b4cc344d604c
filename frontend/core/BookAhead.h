#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "assembly/BookBuilder.h"
#include "core/RunLog.h"

namespace quill {

// What a job makes of its book while the downloader still runs. Each page is rendered into
// the render cache as soon as its chapter file is whole (the downloader writes each one
// atomically under its name), at a low priority, in the pauses between chapters. Once the
// last chapter is saved, the whole book is made while the downloader makes its last pause,
// and waits unsaved. The completion step saves it only when the download ended with exactly
// what the book was made from; otherwise the book is built as always, and finds its pages
// in the cache. Owned by the job's runner; a thread of its own does the work.
class BookAhead {
  public:
    // What the build would be asked for, by what the run log says so far.
    using JobFor = std::function<BookJob(const BookInfo& info)>;

    // stopped: the job is being stopped; whatever runs ahead ends at once.
    BookAhead(std::string logfile, std::string tmpdir, JobFor jobFor,
              std::function<bool()> stopped);
    ~BookAhead();  // stops and waits for the thread
    BookAhead(const BookAhead&) = delete;
    BookAhead& operator=(const BookAhead&) = delete;

    void Start();
    // The downloader has ended: no more pages are taken up. Waits for the pages being
    // rendered and for the book being made.
    void DownloaderEnded();

    struct Made {
        BookJob job;
        StagedBook book;
    };
    // The book made ahead, when the whole run log holds exactly the lines it was made from
    // and then "done", and every file of the work folder it may have been made from is as it
    // was; nothing otherwise. Asked once, after DownloaderEnded().
    std::optional<Made> TakeBook(const std::vector<std::string>& finalLines);
    // The cache keys of the pages rendered anew ahead, for a build that renders every page
    // anew.
    const std::set<std::string>& RenderedAnew() const { return renderedAnew_; }

  private:
    void Run();
    // Whether the downloader has ended; with `wait`, waits a while first.
    bool Ended(bool wait);
    void MakeBook(const std::vector<std::string>& lines, const BookInfo& info,
                  const std::set<std::string>& renderedAnew);
    std::string InputsDigest() const;

    std::string logfile_;
    std::string tmpdir_;
    JobFor jobFor_;
    std::function<bool()> stopped_;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool ended_ = false;

    // Written by the thread, read once it has ended.
    std::optional<Made> made_;
    std::vector<std::string> madeFrom_;  // the run log's lines the book was made from
    std::string madeInputs_;             // the digest of the work folder's files then
    std::set<std::string> renderedAnew_;
};

}  // namespace quill

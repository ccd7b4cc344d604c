#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/WindowLog.h"
#include "core/Job.h"
#include "core/RunLog.h"

namespace quill {

// How the downloader's process ended.
struct DownloaderEnd {
    bool started = true;     // false: the launcher could not be started
    std::string startError;  // then the system's reason
    int exitCode = 0;
    int termSignal = 0;    // set when a signal ended it
    bool stopped = false;  // we stopped it (the program is closing)
};

extern const char* const kUnfinished;

class BookAhead;

// The chapters a finished download left out: every position with a "chapter_" line whose
// chapter file is not in the work folder. Skipped entries have no such line.
std::vector<int> MissingChapters(const BookInfo& info, const std::string& tmpdir);

// "2 chapters could not be downloaded: 7, 12. Click Download to fetch just those."
std::string MissingChaptersMessage(const std::vector<int>& missing);

// "3 pictures are not in the book: 2 in chapter 1, 1 in chapter 4. …", from the
// count of each chapter's pictures left out.
std::string PicturesLeftOutMessage(const std::map<int, int>& leftOut);

// The completion step, once the downloader has ended: judges what it left in the work
// folder and its exit, writes the cover page, has the book built, opens it and reports the
// outcome honestly. Runs on the job's thread; `cancelled` stops the build between
// chapters, and `progress` hears what the build does. Failures of the build become log
// lines.
// A book made ahead (`ahead`, optional) is saved instead of building it again when it was
// made from what the download left.
JobResult DownloadFinished(const JobSetup& setup, const JobRequest& request,
                           const DownloaderEnd& end, IWindowLog& log,
                           const std::function<bool()>& cancelled, const BuildProgress& progress,
                           BookAhead* ahead = nullptr);

// What the book build is asked for after a download whose run log says `info` (its title
// and chapter count known): the job's folders, settings and story, and the chapters the
// work folder lacks.
BookJob MakeBookJob(const JobSetup& setup, const JobRequest& request, const BookInfo& info,
                    const std::function<bool()>& cancelled, const BuildProgress& progress);

// The same for a book made while the downloader runs, with the volumes the library keeps as
// they are, found without a word in the window.
BookJob BookJobAhead(const JobSetup& setup, const JobRequest& request, const BookInfo& info,
                     const std::function<bool()>& cancelled);

}  // namespace quill

#include "BookAhead.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "common/AtomicWrite.h"
#include "common/DebugLog.h"
#include "common/Digest.h"
#include "common/FileBytes.h"
#include "common/Paths.h"
#include "core/CoverPage.h"
#include "render/RenderAhead.h"

namespace quill {

namespace {

namespace fs = std::filesystem;

// How often the run log and the work folder are looked at. A chapter then waits at most
// this long for its rendering; the pause after it is 20 s.
constexpr std::chrono::milliseconds kLookInterval{100};
// Deep enough for any folder the downloader makes; a deeper tree is not followed further.
constexpr int kDeepestFolder = 8;

// The files of a folder tree, by their paths below it, that a build may read: every
// regular file but the build's own products and the run log. Links are not followed.
void InputFiles(const fs::path& folder, const std::string& below, int depth,
                const std::string& runLog, std::vector<std::string>& found) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string path = below + name;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode) && depth < kDeepestFolder) {
            InputFiles(it->path(), path + "/", depth + 1, runLog, found);
        } else if (S_ISREG(info.st_mode) && path != runLog && !IsBuildProduct(name)) {
            found.push_back(path);
        }
    }
}

// Whether the downloader has fetched and saved the story's last chapter: after it comes
// only its pause and "done". A saved copy comes without a pause, and "done" right after it.
bool LastChapterFetched(const BookInfo& info, const std::string& tmpdir) {
    if (!info.title || !info.chapterCount || *info.chapterCount <= 0) {
        return false;
    }
    const int last = *info.chapterCount;
    return std::any_of(info.chapters.begin(), info.chapters.end(), [&](const ChapterLine& c) {
        return c.position == last && !c.failed && !c.savedCopy &&
               FileExists(JoinPath(tmpdir, std::to_string(last) + ".html"));
    });
}

}  // namespace

BookAhead::BookAhead(std::string logfile, std::string tmpdir, JobFor jobFor,
                     std::function<bool()> stopped)
    : logfile_(std::move(logfile)),
      tmpdir_(std::move(tmpdir)),
      jobFor_(std::move(jobFor)),
      stopped_(std::move(stopped)) {}

BookAhead::~BookAhead() {
    DownloaderEnded();
}

void BookAhead::Start() {
    thread_ = std::thread([this] { Run(); });
}

void BookAhead::DownloaderEnded() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ended_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool BookAhead::Ended(bool wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (wait) {
        wake_.wait_for(guard, kLookInterval, [this] { return ended_; });
    }
    return ended_;
}

// Everything happens on this thread, including the render workers' lives: they are tied to
// the thread that starts them and end with it.
void BookAhead::Run() {
    RunLogTail tail(logfile_);
    std::vector<std::string> lines;
    std::unique_ptr<RenderAhead> render;
    BookInfo info;
    std::set<int> taken;
    bool bookTried = false;
    try {
        // While a page renders, the wait is for it, so that its bound is kept to the moment.
        while (!Ended(!render || !render->Busy()) && !(stopped_ && stopped_())) {
            std::vector<std::string> fresh;
            if (tail.Poll(fresh) == RunLogTail::Result::Restarted) {
                lines.clear();
            }
            if (!fresh.empty()) {
                lines.insert(lines.end(), fresh.begin(), fresh.end());
                info = ReadBookInfo(lines);
            }
            if (!render && info.title && info.chapterCount) {
                // The cover picture is saved before the chapter count is written.
                WriteFileAtomic(JoinPath(tmpdir_, "0.html"), CoverPageHtml());
                render = std::make_unique<RenderAhead>(jobFor_(info));
                render->Add(0);
            }
            if (!render) {
                continue;
            }
            // A saved copy was rendered when it was fetched, and its page waits in the
            // cache; one fetched now is rendered while the downloader pauses after it.
            for (const ChapterLine& chapter : info.chapters) {
                if (!chapter.failed && !chapter.savedCopy && taken.count(chapter.position) == 0 &&
                    FileExists(JoinPath(tmpdir_, std::to_string(chapter.position) + ".html"))) {
                    taken.insert(chapter.position);
                    render->Add(chapter.position);
                }
            }
            render->Collect(kLookInterval);
            if (!bookTried && !render->Busy() && LastChapterFetched(info, tmpdir_)) {
                bookTried = true;
                MakeBook(lines, info, render->RenderedAnew());
            }
        }
        if (render && !(stopped_ && stopped_())) {
            render->Finish();  // a page half done is done sooner where it is
        }
    } catch (const EBuildCancelled&) {
        // The job is being stopped.
    } catch (const std::exception& e) {
        // The build after the download renders what is left, and reports what fails.
        DebugLog(std::string("rendering ahead stopped: ") + e.what());
    }
    if (render) {
        renderedAnew_ = render->RenderedAnew();
    }
}

void BookAhead::MakeBook(const std::vector<std::string>& lines, const BookInfo& info,
                         const std::set<std::string>& renderedAnew) {
    const std::string inputs = InputsDigest();
    BookJob job = jobFor_(info);
    job.renderedAnew = renderedAnew;
    try {
        StagedBook book = StageBook(job);
        made_ = Made{std::move(job), std::move(book)};
        madeFrom_ = lines;
        madeInputs_ = inputs;
        DebugLog("book made ahead, waiting for the download to end");
    } catch (const EBuildCancelled&) {
        throw;
    } catch (const std::exception& e) {
        // The build after the download makes it again, and reports what fails then.
        DebugLog(std::string("book not made ahead: ") + e.what());
    }
}

// The chapter files, the cover picture and whatever else the downloader left: a digest of
// their names and bytes. The run log's lines, which the rest of the build's inputs come
// from, are compared on their own.
std::string BookAhead::InputsDigest() const {
    std::vector<std::string> files;
    InputFiles(fs::u8path(tmpdir_), "", 0, fs::u8path(logfile_).filename().u8string(), files);
    std::sort(files.begin(), files.end());
    Sha256 digest;
    for (const std::string& file : files) {
        const std::optional<std::string> bytes = TryReadFileBytes(JoinPath(tmpdir_, file));
        digest.Add(std::to_string(file.size()) + ":" + file + "=")
            .Add(bytes ? Sha256Hex(*bytes) : std::string("unreadable"))
            .Add("\n");
    }
    return digest.Hex();
}

std::optional<BookAhead::Made> BookAhead::TakeBook(const std::vector<std::string>& finalLines) {
    if (!made_) {
        return std::nullopt;
    }
    std::optional<Made> made = std::move(made_);
    made_.reset();
    std::vector<std::string> expected = madeFrom_;
    expected.push_back("done");
    if (finalLines != expected) {
        DebugLog("book made ahead dropped: the run log went on after it was made");
        return std::nullopt;
    }
    if (InputsDigest() != madeInputs_) {
        DebugLog("book made ahead dropped: a file it was made from changed");
        return std::nullopt;
    }
    return made;
}

}  // namespace quill

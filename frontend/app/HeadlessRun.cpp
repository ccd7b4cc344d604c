#include "HeadlessRun.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "LibraryList.h"
#include "common/Settings.h"
#include "core/AddressCheck.h"
#include "core/StoryLibrary.h"
#include "core/StoryQueue.h"
#include "library/LibraryText.h"
#include "platform/StopSignals.h"
#include "platform/Terminal.h"

namespace quill {

namespace {

// Prints a queue's reports. On a terminal the progress is one line under the log that
// rewrites itself; elsewhere (a pipe, a file) only the log lines are written. Each story's
// book path follows its log.
class TerminalObserver : public IQueueObserver {
  public:
    TerminalObserver(platform::StopSignals& signals, bool terminal)
        : signals_(signals), terminal_(terminal) {}

    void LogAppended(const std::string& line) override { Print(line); }
    void LogReplaced(const std::string& line) override { Print(line); }
    void LogCleared() override {}
    void ProgressChanged(const ProgressState& state) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (terminal_) {
            status_ = state.phase == ProgressState::Phase::Ended
                          ? ""
                          : ProgressLine(state, platform::TerminalColumns(1) - 1);
            Redraw();
        }
    }
    void Finished(const JobResult& result) override {
        // A story in volumes has a book for each; they are all printed, in order.
        const bool volumes =
            std::any_of(result.saved.begin(), result.saved.end(),
                        [](const SavedBook& book) { return book.volume.number > 0; });
        if (volumes) {
            for (const std::string& book : result.books) {
                Print(book);
            }
        } else if (!result.bookfile.empty()) {
            Print(result.bookfile);
        }
    }
    void QueueChanged(const std::vector<QueuedStory>&) override {}
    void QueueFinished(const QueueSummary& summary) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            summary_ = summary;
        }
        signals_.Notify();
    }

    QueueSummary Summary() {
        std::lock_guard<std::mutex> guard(lock_);
        return summary_;
    }
    // Callable from any thread: the queue's, the job's and the main thread.
    void Print(const std::string& line) {
        std::lock_guard<std::mutex> guard(lock_);
        if (terminal_) {
            std::fputs("\r\x1b[K", stdout);
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        Redraw();
    }

  private:
    void Redraw() {  // under lock_
        if (terminal_) {
            std::fputs("\r\x1b[K", stdout);
            std::fputs(status_.c_str(), stdout);
        }
        std::fflush(stdout);
    }

    platform::StopSignals& signals_;
    const bool terminal_;
    std::string status_;
    std::mutex lock_;
    QueueSummary summary_;
};

std::string Trimmed(const std::string& text) {
    constexpr char kBlanks[] = " \t\r\n\f\v";
    const size_t begin = text.find_first_not_of(kBlanks);
    return begin == std::string::npos
               ? ""
               : text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

// The stories the command line names, each address checked before anything starts; the
// problems are printed, and then nothing is returned.
std::optional<std::vector<QueuedStory>> AddressedStories(const CommandLine& cmd, bool openBook,
                                                         TerminalObserver& out) {
    std::vector<QueuedStory> stories;
    bool usable = true;
    for (const std::string& address : cmd.addresses) {
        JobRequest request;
        request.url = Trimmed(address);  // as the window takes its address field
        request.refresh = cmd.refresh;
        request.pictures = !cmd.noPictures;
        request.format = cmd.format;
        request.choices = cmd.choices;
        request.openBook = openBook && cmd.addresses.size() == 1;
        if (const auto problem = StoryAddressProblem(request.url, StorySiteUrl())) {
            out.Print(*problem);
            usable = false;
        }
        stories.push_back(QueueEntry(request));
    }
    if (!usable) {
        return std::nullopt;
    }
    return stories;
}

int ListLibrary(const CommandLine& cmd) {
    try {
        const std::unique_ptr<Library> library = OpenLibrary(PrepareFolders(kProductTitle));
        const std::string text = LibraryListText(library->Stories(), cmd.json);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    } catch (const std::exception& failure) {
        std::printf("%s\n", failure.what());
    }
    return 1;
}

}  // namespace

int RunHeadless(const CommandLine& cmd, const std::string& programFolder, bool openBook) {
    if (cmd.list) {
        return ListLibrary(cmd);
    }
    platform::StopSignals signals;  // before the queue's thread exists
    TerminalObserver observer(signals, platform::IsTerminal(1));
    JobSetup setup;
    try {
        setup = MakeJobSetup(PrepareFolders(kProductTitle), programFolder);
    } catch (const EDataFolderError& problem) {
        observer.Print(problem.what());
        return 1;
    }
    std::vector<QueuedStory> stories;
    if (cmd.updateAll) {
        try {
            for (const LibraryStory& story : OpenLibrary(setup.folders)->Stories()) {
                JobRequest request = UpdateRequest(story);
                request.pictures = !cmd.noPictures;
                stories.push_back(QueueEntry(request, DisplayTitle(story)));
            }
        } catch (const std::exception& failure) {
            observer.Print(failure.what());
            return 1;
        }
        if (stories.empty()) {
            observer.Print("The library holds no story yet: download one first.");
            return 0;
        }
    } else if (auto addressed = AddressedStories(cmd, openBook, observer)) {
        stories = std::move(*addressed);
    } else {
        return 2;
    }

    StoryQueue queue(setup, observer);
    if (queue.Add(stories) < stories.size()) {
        observer.Print("An address given twice for one story is downloaded once.");
    }
    if (signals.Wait()) {
        observer.Print("Stopping the download…");
        queue.Cancel();
    }
    queue.Wait();
    const QueueSummary summary = observer.Summary();
    if (summary.refused) {
        observer.Print(summary.refused->message);
    } else if (stories.size() > 1 || cmd.updateAll) {
        observer.Print("");
        for (const std::string& line : summary.Lines()) {
            observer.Print(line);
        }
    }
    return summary.ExitCode();
}

}  // namespace quill

#pragma once

#include <QThread>

#include <atomic>
#include <functional>
#include <string>

namespace quill {

// Job state read from the run log and left by the book build; one job at a time.
extern std::string bookdir;     // the job's work folder
extern std::string booktitle;   // kept from the previous job when the run log has none
extern std::string bookauthor;  // likewise
extern int lastchapter;         // the highest chapter number; -1 when the log's is unreadable
extern std::string bookfile;    // the finished book's path
extern std::string storyurl;    // the address the job downloads; the book records it

// The downloader's only argument: Base64 of the UTF-8 JSON {"url":...,"dir":...}.
std::string MakeTicket(const std::string& address, const std::string& folder);

// Reads logfile and sets lastchapter, booktitle and bookauthor from its keyed lines.
void ReadBookInfo();

// Whether the chapter file of the highest chapter number is in the work folder.
bool LastChapterExists();

// Runs one download job: starts the launcher with the job's ticket and waits for it on a
// thread of its own, then runs OnTerminate on the GUI thread and waits for it to return.
// The object deletes itself once its thread has ended; hold no pointer to it.
class TPyThread : public QThread {
    Q_OBJECT
  public:
    enum Status { kCreated = 0, kEnded = 2, kStartFailed = 6, kWaitFailed = 7 };

    TPyThread(const std::string& aurl, const std::string& adir);
    ~TPyThread() override;

    // Job runners whose thread has not yet finished (the window must not vanish under one).
    static int Running() { return running_; }

    std::function<void()> OnTerminate;
    const std::string bookurl;
    int status = kCreated;
    std::string resultstr;  // the system's text for a failed start or wait

  protected:
    void run() override;

  private:
    void StartDownloader();
    void ExecAndWait(const std::string& program, const std::string& argument);

    bool counted_ = true;  // still included in running_
    static std::atomic<int> running_;
};

}  // namespace quill

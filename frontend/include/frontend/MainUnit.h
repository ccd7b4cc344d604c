#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "core/Job.h"
#include "core/StoryQueue.h"
#include "library/Library.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quill {

class JobBridge;

// The main window: the address field, the Download button with its options, the log and
// the progress footer, and beside them the library's stories with their actions and the
// queue of stories to download. It wires the job core to the screen and holds no job logic.
class TMainfm : public QWidget {
    Q_OBJECT
  public:
    explicit TMainfm(QWidget* parent = nullptr);
    ~TMainfm() override;

    // Appends a line to the log, or replaces the last one (on the GUI thread).
    void Log(const QString& text);
    void UpdateLog(const QString& text);

    // The log's entries (one per line, however the view wraps them); at most the last
    // kMaxLogLines.
    const QStringList& LogLines() const { return lines_; }
    static constexpr int kMaxLogLines = 5000;

    // Whether the finished book is opened with the desktop's viewer.
    void SetOpenBooks(bool open) { openBooks_ = open; }
    // Where bin/quillmain and bin/quillrender are (the program's folder, trailing "/").
    void SetProgramFolder(const std::string& folder);
    // The folders jobs use; unset when the Documents folder cannot be used.
    const std::optional<JobFolders>& Folders() const { return folders_; }
    // Whether a queue of stories (one story or more) is running.
    bool JobRunning() const;
    // The stories of the queue as it shows them: the running one first.
    QStringList QueueLines() const;
    // Reads the library again into the list of stories.
    void RefreshStories();

    void SetBusy(bool Value);

    QLabel* IconImage = nullptr;
    QLabel* Productlabel = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* Aboutbtn = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* linked = nullptr;
    QPushButton* downloadbtn = nullptr;
    QComboBox* formatbox = nullptr;
    QCheckBox* refreshbox = nullptr;
    QPushButton* bookbtn = nullptr;  // the "Book" dialog: the kind of book a Download makes
    QCheckBox* picturesbox = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel2 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* ChapterLabel = nullptr;
    QLabel* CountdownLabel = nullptr;
    QImage bannerbmp;

    // The library, beside the controls above. Columns in StoryColumn's order.
    enum StoryColumn { kTitle, kAuthor, kChapters, kNew, kUpdated, kOutcome };
    QLabel* StoriesLabel = nullptr;
    QTreeWidget* Stories = nullptr;
    QPushButton* updateallbtn = nullptr;
    QPushButton* updatebtn = nullptr;
    QPushButton* folderbtn = nullptr;
    QPushButton* removebtn = nullptr;
    QLabel* QueueLabel = nullptr;
    QListWidget* QueueList = nullptr;
    QPushButton* cancelbtn = nullptr;

  public slots:
    void downloadbtnClick();
    void SpeedButton1Click();
    void AboutbtnClick();
    void bookbtnClick();
    void updateallbtnClick();
    void updatebtnClick();
    void folderbtnClick();
    void removebtnClick();
    void cancelbtnClick();
    void StoriesDblClick(QTreeWidgetItem* item);

  signals:
    // A new log entry, or the new text of the last one.
    void lineAdded(const QString& text);
    void lineReplaced(const QString& text);
    // The queue has ended and the window is idle again; bookMade when its last story's
    // book was saved.
    void jobFinished(bool bookMade);
    // The queue's stories changed; the list of stories was read again.
    void queueChanged();
    void storiesChanged();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class JobBridge;
    void CreateControls();
    void CreateFooter();
    void CreatePicturesChoice();
    // The request with the window's choice of pictures.
    JobRequest WithPictures(JobRequest request) const;
    void CreateStoriesPane();
    void FormCreate();
    void ShowProgress(const ProgressState& state);
    void JobEnded(const JobResult& result);
    void ShowQueue(const std::vector<QueuedStory>& stories);
    void QueueEnded(const QueueSummary& summary);
    void ReplaceAllLines(const QStringList& lines);
    JobRequest Request() const;
    bool EnsureFolders();
    Library* OpenedLibrary();
    // Queues the stories; a queue that was idle starts, with an empty log.
    void Enqueue(const std::vector<QueuedStory>& stories, bool update);
    std::vector<LibraryStory> SelectedStories() const;
    void UpdateStoryActions();

    QStringList lines_;
    bool openBooks_ = true;
    bool closing_ = false;
    bool busy_ = false;
    bool updating_ = false;  // the running queue checks stories of the library
    std::string programFolder_;
    std::optional<JobFolders> folders_;
    std::unique_ptr<Library> library_;
    std::vector<LibraryStory> shown_;  // the stories the list shows, by number in each item
    std::unique_ptr<JobBridge> bridge_;
    std::unique_ptr<StoryQueue> queue_;
};

}  // namespace quill

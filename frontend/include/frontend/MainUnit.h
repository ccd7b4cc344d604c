#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "core/Job.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace quill {

class JobBridge;

// The main window: the address field, the Download button with its options, the log and
// the progress footer. It wires the job core to the screen and holds no job logic.
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
    bool JobRunning() const;

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
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel2 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* ChapterLabel = nullptr;
    QLabel* CountdownLabel = nullptr;
    QImage bannerbmp;

  public slots:
    void downloadbtnClick();
    void SpeedButton1Click();
    void AboutbtnClick();

  signals:
    // A new log entry, or the new text of the last one.
    void lineAdded(const QString& text);
    void lineReplaced(const QString& text);
    // A job has ended; bookMade when a book was saved.
    void jobFinished(bool bookMade);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class JobBridge;
    void CreateControls();
    void CreateFooter();
    void FormCreate();
    void ShowProgress(const ProgressState& state);
    void JobEnded(const JobResult& result);
    void ReplaceAllLines(const QStringList& lines);
    JobRequest Request() const;

    QStringList lines_;
    bool openBooks_ = true;
    bool closing_ = false;
    std::string programFolder_;
    std::optional<JobFolders> folders_;
    std::unique_ptr<JobBridge> bridge_;
    std::unique_ptr<Job> job_;
};

}  // namespace quill

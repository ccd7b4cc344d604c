#pragma once

#include <QDateTime>
#include <QImage>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <string>

#include "common/WindowLog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace quill {

// Front-end state fixed at start, shared by the window, the job runner and the book build.
extern std::string appdir;     // the program's folder, with a trailing "/"
extern std::string datadir;    // Documents/Inkvale/Quillby Downloader/, trailing "/"
extern std::string tmpdir;     // the work folder, no trailing "/"
extern std::string logfile;    // the downloader's run log in the work folder
extern QDateTime lastlogtime;  // the run log's last-write time as last mirrored
extern bool busy;              // a job is running and its run log is being mirrored
extern QImage bannerbmp;       // the About window's banner

extern const char* const kProductTitle;
extern const char* const kHelpUrl;
extern const char* const kHomeUrl;

// The main window: an address field, the Download button and the log.
class TMainfm : public QWidget, public IWindowLog {
    Q_OBJECT
  public:
    explicit TMainfm(QWidget* parent = nullptr);
    ~TMainfm() override;

    // Log and UpdateLog may be called from any thread; they return once the line shows.
    void Log(const std::string& text) override;
    void UpdateLog(const std::string& text) override;
    void ProcessMessages() override;

    // The log's entries (one per line, however the view wraps them).
    const QStringList& LogLines() const { return lines_; }

    // Whether the finished book is opened with the desktop's PDF viewer.
    void SetOpenBooks(bool open) { openBooks_ = open; }

    void SetBusy(bool Value);

    QLabel* IconImage = nullptr;
    QLabel* Productlabel = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* Aboutbtn = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* linked = nullptr;
    QPushButton* downloadbtn = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTimer* Timer1 = nullptr;

  public slots:
    void downloadbtnClick();
    void SpeedButton1Click();
    void AboutbtnClick();
    void Timer1Timer();
    void DownloadFinished();

  signals:
    // A new log entry, or the new text of the last one (progress lines change in place).
    void lineAdded(const QString& text);
    void lineReplaced(const QString& text);
    // The completion step has ended; bookMade when a book was saved and "done" logged.
    void jobFinished(bool bookMade);

  private:
    void CreateControls();
    void FormCreate();
    bool CompleteJob();
    // Mirrors the run log; `force` reads it even when its time has not changed.
    void MirrorRunLog(bool force);
    void LogFailure(const std::string& message);
    void AppendLine(const QString& text);
    void ReplaceLastLine(const QString& text);
    void ReplaceAllLines(const QStringList& lines);
    template <class F>
    void OnGuiThread(F change);

    QStringList lines_;
    bool openBooks_ = true;
};

}  // namespace quill

#include "frontend/MainUnit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QTextCursor>

#include "JobBridge.h"
#include "frontend/AboutUt.h"
#include "frontend/BookDialog.h"
#include "frontend/Links.h"
#include "frontend/MyUtils.h"
#include "frontend/Notifier.h"

namespace quill {

namespace {

const char* const kStartLine =
    "Copy book url and paste into editor, click \"Download\" button to download book";
const char* const kFormatSetting = "download/format";

}  // namespace

TMainfm::TMainfm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      bridge_(std::make_unique<JobBridge>(*this)) {
    CreateControls();
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.x() + (desk.width() - width()) / 2, desk.y() + (desk.height() - height()) / 2);
    }
}

TMainfm::~TMainfm() {
    // The queue reports through queued calls to this window; it must be gone first.
    queue_.reset();
}

void TMainfm::FormCreate() {
    SetProgramFolder(HelperFolder());
    Productlabel->setText(kProductTitle);
    setWindowTitle(kProductTitle);
    Log(kStartLine);
    try {
        folders_ = PrepareFolders(kProductTitle);
    } catch (const EDataFolderError& problem) {
        Log(QString::fromStdString(problem.what()));
    }
    LoadPngToBitmap("BANNER", bannerbmp);
    LoadPngToImage("ICONBMP", IconImage);
    linked->clear();
    RefreshStories();
    const int format = formatbox->findText(QSettings().value(kFormatSetting, "PDF").toString());
    formatbox->setCurrentIndex(format >= 0 ? format : 0);
    connect(formatbox, &QComboBox::currentTextChanged, this,
            [](const QString& text) { QSettings().setValue(kFormatSetting, text); });
    bookbtn->setToolTip(BookChoicesSummary(SavedBookChoices()));
}

void TMainfm::bookbtnClick() {
    TBookDialog dialog(SavedBookChoices(), this);
    if (dialog.exec() == QDialog::Accepted) {
        SaveBookChoices(dialog.Choices());
        bookbtn->setToolTip(BookChoicesSummary(dialog.Choices()));
    }
}

void TMainfm::SetProgramFolder(const std::string& folder) {
    programFolder_ = folder;
}

bool TMainfm::JobRunning() const {
    return queue_ && queue_->Running();
}

void TMainfm::SetBusy(bool Value) {
    if (Value) {
        ReplaceAllLines({});
        downloadbtn->setText("Downloading");
        downloadbtn->setEnabled(false);
    } else {
        downloadbtn->setText("Download");
        downloadbtn->setEnabled(true);
    }
    formatbox->setEnabled(!Value);
    refreshbox->setEnabled(!Value);
    bookbtn->setEnabled(!Value);
    picturesbox->setEnabled(!Value);
    busy_ = Value;
    UpdateStoryActions();
}

JobRequest TMainfm::Request() const {
    JobRequest request;
    request.url = linked->text().trimmed().toStdString();
    request.refresh = refreshbox->isChecked();
    request.format = static_cast<BookFormat>(formatbox->currentIndex());
    request.choices = SavedBookChoices();
    request.openBook = openBooks_;
    return WithPictures(request);
}

bool TMainfm::EnsureFolders() {
    if (folders_) {
        return true;
    }
    try {
        folders_ = PrepareFolders(kProductTitle);  // the user may have mended it
        return true;
    } catch (const EDataFolderError& problem) {
        ReplaceAllLines({QString::fromStdString(problem.what())});
    }
    return false;
}

void TMainfm::Enqueue(const std::vector<QueuedStory>& stories, bool update) {
    if (!JobRunning()) {
        // A fresh queue, so that it runs the helpers and folders of now.
        queue_ = std::make_unique<StoryQueue>(MakeJobSetup(*folders_, programFolder_), *bridge_);
        updating_ = update;
        SetBusy(true);
    }
    updating_ = updating_ || update;
    const size_t added = queue_->Add(stories);
    if (added < stories.size()) {
        Log(QString("%1 of these stories %2 queued already.")
                .arg(stories.size() - added)
                .arg(stories.size() - added == 1 ? "was" : "were"));
    }
}

void TMainfm::downloadbtnClick() {
    if (!downloadbtn->isEnabled() || JobRunning()) {
        return;  // a click queued before the button went down must not start a second job
    }
    if (!EnsureFolders()) {
        return;
    }
    // Several addresses, one a line or separated by blanks, are downloaded one after
    // another; an empty field still makes a job, which says what is wrong with it.
    std::vector<std::string> addresses = SplitAddresses(linked->text().toStdString());
    if (addresses.empty()) {
        addresses.emplace_back();
    }
    std::vector<QueuedStory> stories;
    for (const std::string& address : addresses) {
        JobRequest request = Request();
        request.url = address;
        request.openBook = openBooks_ && addresses.size() == 1;
        stories.push_back(QueueEntry(request));
    }
    Enqueue(stories, false);
}

void TMainfm::JobEnded(const JobResult&) {
    ShowProgress(ProgressState{});
    RefreshStories();
}

void TMainfm::QueueEnded(const QueueSummary& summary) {
    ShowProgress(ProgressState{});
    SetBusy(false);
    if (summary.refused) {
        Log(QString::fromStdString(summary.refused->message));
    }
    const bool single = summary.done.size() == 1 && summary.notStarted.empty() && !updating_;
    if (!summary.refused && !single) {
        Log("");
        for (const std::string& line : summary.Lines()) {
            Log(QString::fromStdString(line));
        }
    }
    RefreshStories();
    if (closing_) {
        close();
        return;
    }
    if (!isActiveWindow()) {
        if (single) {
            NotifyJobEnded(summary.done.front().result);
        } else if (summary.refused) {
            NotifyJobEnded(*summary.refused);
        } else {
            NotifyQueueEnded(summary, updating_);
        }
    }
    emit jobFinished(!summary.done.empty() && !summary.done.back().result.books.empty());
}

void TMainfm::closeEvent(QCloseEvent* event) {
    if (!JobRunning()) {
        event->accept();
        return;
    }
    if (!closing_ &&
        QMessageBox::question(this, kProductTitle, "A download is running. Stop it and quit?") !=
            QMessageBox::Yes) {
        event->ignore();
        return;
    }
    // The job ends on its own thread (a download at once, a build after its chapter);
    // its last report closes the window for good.
    closing_ = true;
    queue_->Cancel();
    setEnabled(false);
    event->ignore();
}

void TMainfm::SpeedButton1Click() {
    OpenWithDefaultProgram(kHelpUrl);
}

void TMainfm::AboutbtnClick() {
    TAboutFm about(IconImage, bannerbmp, this);
    about.exec();
}

void TMainfm::Log(const QString& text) {
    if (lines_.size() >= kMaxLogLines) {
        lines_.removeFirst();
    }
    if (lines_.isEmpty()) {
        Memo1->setPlainText(text);
    } else {
        Memo1->appendPlainText(text);
    }
    lines_.append(text);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
    emit lineAdded(text);
}

void TMainfm::UpdateLog(const QString& text) {
    if (lines_.isEmpty()) {
        Log(text);
        return;
    }
    lines_.last() = text;
    QTextCursor cursor(Memo1->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    emit lineReplaced(text);
}

void TMainfm::ReplaceAllLines(const QStringList& lines) {
    lines_.clear();
    Memo1->clear();
    for (const QString& line : lines) {
        Log(line);
    }
}

}  // namespace quill

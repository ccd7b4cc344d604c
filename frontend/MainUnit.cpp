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
    // The job reports through queued calls to this window; it must be gone first.
    job_.reset();
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
    const int format = formatbox->findText(QSettings().value(kFormatSetting, "PDF").toString());
    formatbox->setCurrentIndex(format >= 0 ? format : 0);
    connect(formatbox, &QComboBox::currentTextChanged, this,
            [](const QString& text) { QSettings().setValue(kFormatSetting, text); });
}

void TMainfm::SetProgramFolder(const std::string& folder) {
    programFolder_ = folder;
}

bool TMainfm::JobRunning() const {
    return job_ && job_->Running();
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
}

JobRequest TMainfm::Request() const {
    JobRequest request;
    request.url = linked->text().trimmed().toStdString();
    request.refresh = refreshbox->isChecked();
    request.format = static_cast<BookFormat>(formatbox->currentIndex());
    request.openBook = openBooks_;
    return request;
}

void TMainfm::downloadbtnClick() {
    if (!downloadbtn->isEnabled() || JobRunning()) {
        return;  // a click queued before the button went down must not start a second job
    }
    if (!folders_) {
        try {
            folders_ = PrepareFolders(kProductTitle);  // the user may have mended it
        } catch (const EDataFolderError& problem) {
            ReplaceAllLines({QString::fromStdString(problem.what())});
            return;
        }
    }
    job_ = std::make_unique<Job>(MakeJobSetup(*folders_, programFolder_), *bridge_);
    SetBusy(true);
    if (const std::optional<JobResult> refused = job_->Start(Request())) {
        SetBusy(false);
        Log(QString::fromStdString(refused->message));
        emit jobFinished(false);
    }
}

void TMainfm::JobEnded(const JobResult& result) {
    ShowProgress(ProgressState{});
    SetBusy(false);
    if (closing_) {
        close();
        return;
    }
    if (!isActiveWindow()) {
        NotifyJobEnded(result);
    }
    emit jobFinished(!result.bookfile.empty());
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
    job_->Stop();
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

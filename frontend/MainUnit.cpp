#include "frontend/MainUnit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include "frontend/AboutUt.h"
#include "frontend/MyUtils.h"
#include "frontend/PyUnit.h"

namespace quill {

std::string appdir;
std::string datadir;
std::string tmpdir;
std::string logfile;
QDateTime lastlogtime;
bool busy = false;
QImage bannerbmp;

const char* const kProductTitle = "Quillby Downloader";
const char* const kHelpUrl = "https://www.inkvale.com/download/help.php?id=25";
const char* const kHomeUrl = "https://www.inkvale.com/?id=25";

TMainfm::TMainfm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    CreateControls();
    FormCreate();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.x() + (desk.width() - width()) / 2, desk.y() + (desk.height() - height()) / 2);
    }
}

TMainfm::~TMainfm() = default;

void TMainfm::FormCreate() {
    lastlogtime = QDateTime::currentDateTime();
    appdir = QCoreApplication::applicationDirPath().toStdString() + "/";
    datadir = GetDataDir(kProductTitle);
    MakeDir(datadir);
    Productlabel->setText(kProductTitle);
    setWindowTitle(kProductTitle);
    tmpdir = datadir + "tmp";
    MakeDir(tmpdir);
    logfile = tmpdir + "/run.log";
    Log("Copy book url and paste into editor, click \"Download\" button to download book");
    LoadPngToBitmap("BANNER", bannerbmp);
    LoadPngToImage("ICONBMP", IconImage);
    linked->clear();
}

void TMainfm::SetBusy(bool Value) {
    busy = Value;
    if (Value) {
        Timer1->start();
        ReplaceAllLines({});
        downloadbtn->setText("Downloading");
        downloadbtn->setEnabled(false);
        ClearDir(tmpdir);
    } else {
        Timer1->stop();
        downloadbtn->setText("Download");
        downloadbtn->setEnabled(true);
    }
}

void TMainfm::downloadbtnClick() {
    if (!downloadbtn->isEnabled()) {
        return;  // a click queued before the button went down must not start a second job
    }
    SetBusy(true);
    storyurl = linked->text().trimmed().toStdString();
    auto* runner = new TPyThread(storyurl, tmpdir);
    runner->OnTerminate = [this] { DownloadFinished(); };
    runner->start();
}

void TMainfm::SpeedButton1Click() {
    OpenWithDefaultProgram(kHelpUrl);
}

void TMainfm::AboutbtnClick() {
    TAboutFm about(IconImage, this);
    about.exec();
}

template <class F>
void TMainfm::OnGuiThread(F change) {
    if (QThread::currentThread() == thread()) {
        change();
    } else {
        QMetaObject::invokeMethod(this, change, Qt::BlockingQueuedConnection);
    }
}

void TMainfm::Log(const std::string& text) {
    const QString line = QString::fromStdString(text);
    OnGuiThread([this, &line] { AppendLine(line); });
}

void TMainfm::UpdateLog(const std::string& text) {
    const QString line = QString::fromStdString(text);
    OnGuiThread([this, &line] { ReplaceLastLine(line); });
}

void TMainfm::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TMainfm::AppendLine(const QString& text) {
    if (lines_.isEmpty()) {
        Memo1->setPlainText(text);
    } else {
        Memo1->appendPlainText(text);
    }
    lines_.append(text);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
    emit lineAdded(text);
}

void TMainfm::ReplaceLastLine(const QString& text) {
    if (lines_.isEmpty()) {
        AppendLine(text);
        return;
    }
    lines_.last() = text;
    QTextCursor cursor(Memo1->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    emit lineReplaced(text);
}

void TMainfm::ReplaceAllLines(const QStringList& lines) {
    lines_ = lines;
    Memo1->setPlainText(lines.join('\n'));
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
    for (const QString& line : lines) {
        emit lineAdded(line);
    }
}

}  // namespace quill

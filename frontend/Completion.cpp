// The progress monitor (mirroring the run log) and the completion step of a job.
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include <exception>
#include <vector>

#include "assembly/BookBuilder.h"
#include "assembly/RenderSettings.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"
#include "frontend/PyUnit.h"

namespace quill {

void TMainfm::Timer1Timer() {
    MirrorRunLog(false);
}

void TMainfm::MirrorRunLog(bool force) {
    if (!busy) {
        return;
    }
    const QFileInfo info(QString::fromStdString(logfile));
    if (!info.isFile()) {
        return;
    }
    const QDateTime time = info.lastModified();
    if (!time.isValid() || (time == lastlogtime && !force)) {
        return;
    }
    std::vector<std::string> file;
    if (!ReadLogLines(logfile, file)) {
        return;  // lastlogtime stays, so the next tick tries again
    }
    const int count = static_cast<int>(file.size());
    if (count < lines_.size()) {
        QStringList lines;
        for (const std::string& line : file) {
            lines.append(QString::fromStdString(line));
        }
        ReplaceAllLines(lines);
    } else {
        for (int i = lines_.size(); i < count; ++i) {
            AppendLine(QString::fromStdString(file[i]));
        }
    }
    lastlogtime = time;
}

void TMainfm::DownloadFinished() {
    // The last lines may carry the same time as the last tick's read (the file time has
    // only millisecond steps), so this pass reads the file whatever its time says.
    MirrorRunLog(true);
    // The monitor stops here, but the button stays down until the book is built: a new
    // job would clear the work folder under the running build.
    busy = false;
    Timer1->stop();
    bool bookMade = false;
    try {
        Delay(100);
        bookMade = CompleteJob();
    } catch (const std::exception& e) {
        LogFailure(e.what());
    } catch (...) {
        LogFailure("Book building failed");
    }
    SetBusy(false);
    emit jobFinished(bookMade);
}

bool TMainfm::CompleteJob() {
    if (!QFileInfo(QString::fromStdString(logfile)).isFile()) {
        Log("Failed find log file");
        return false;
    }
    ReadBookInfo();
    if (!LastChapterExists()) {
        Log("Downloading not finish, click Download button it again");
        return false;
    }
    SaveResourceToFile("COVERIMG", tmpdir + "/0.html");

    BookJob job;
    job.tmpdir = tmpdir;
    job.datadir = datadir;
    job.booktitle = booktitle;
    job.lastchapter = lastchapter;
    job.bookdir = bookdir;
    job.bookfile = bookfile;
    job.renderer = RendererBelow(appdir);
    job.chapterTimeout = ChapterTimeoutSetting();
    job.renderCache = UserRenderCacheFolder();
    try {
        BuildBook(job, *this);
    } catch (...) {
        bookdir = job.bookdir;
        bookfile = job.bookfile;
        throw;
    }
    bookdir = job.bookdir;
    bookfile = job.bookfile;

    if (openBooks_) {
        OpenWithDefaultProgram(QString::fromStdString(bookfile));
    }
    ProcessMessages();
    Log("done");
    DebugLog("done");
    return true;
}

void TMainfm::LogFailure(const std::string& message) {
    DebugLog(message);
    // A system error's text comes on a line of its own; each line is one log entry.
    const QStringList parts = QString::fromStdString(message).split('\n');
    for (const QString& part : parts) {
        AppendLine(part);
    }
}

}  // namespace quill

#include "frontend/PyUnit.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>

#include <cstdio>
#include <vector>

#include "common/Errors.h"
#include "common/Ticket.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"
#include "platform/ChildProcess.h"
#include "platform/SystemError.h"

namespace quill {

std::string bookdir;
std::string booktitle;
std::string bookauthor;
int lastchapter = 0;
std::string bookfile;
std::string storyurl;

std::atomic<int> TPyThread::running_{0};

namespace {

constexpr int kWaitSliceMs = 300;

}  // namespace

std::string MakeTicket(const std::string& address, const std::string& folder) {
    JobTicket ticket;
    ticket.url = address;
    ticket.dir = folder;
    return EncodeTicket(ticket);
}

void ReadBookInfo() {
    lastchapter = 0;
    std::vector<std::string> lines;
    ReadLogLines(logfile, lines);
    for (const std::string& line : lines) {
        if (line.find("title:") != std::string::npos) {
            booktitle = ValueAfterColon(line);
        } else if (line.find("author:") != std::string::npos) {
            bookauthor = ValueAfterColon(line);
        } else if (line.find("chapter:") != std::string::npos) {
            try {
                lastchapter = IntAfterColon(line);
            } catch (const EConvertError& e) {
                // No chapter file can carry this number, so the job ends as unfinished.
                DebugLog(e.what());
                lastchapter = -1;
            }
        }
    }
}

bool LastChapterExists() {
    if (lastchapter < 0) {
        return false;
    }
    return QFileInfo(QString::fromStdString(tmpdir + "/" + std::to_string(lastchapter) + ".html"))
        .isFile();
}

TPyThread::TPyThread(const std::string& aurl, const std::string& adir) : bookurl(aurl) {
    bookdir = adir;
    ++running_;
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TPyThread::~TPyThread() {
    if (counted_) {
        --running_;  // never started
    }
}

void TPyThread::run() {
    StartDownloader();
    if (OnTerminate) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), OnTerminate,
                                  Qt::BlockingQueuedConnection);
    }
    counted_ = false;
    --running_;
}

void TPyThread::StartDownloader() {
    const std::string ticket = MakeTicket(bookurl, bookdir);
    const std::string program = appdir + "bin/quillmain";
    DebugLog(program + " " + ticket);
    ExecAndWait(program, ticket);
}

void TPyThread::ExecAndWait(const std::string& program, const std::string& argument) {
    platform::ChildProcess process;
    if (!process.Start(program, {argument})) {
        resultstr = platform::SystemErrorText(process.ErrorCode());
        status = kStartFailed;
        return;
    }
    for (;;) {
        const auto result = process.Wait(kWaitSliceMs);
        if (result == platform::ChildProcess::WaitResult::Exited) {
            break;
        }
        if (result == platform::ChildProcess::WaitResult::Failed) {
            // Waiting again would fail again; the completion step judges the work folder.
            resultstr = platform::SystemErrorText(process.ErrorCode());
            status = kWaitFailed;
            DebugLog("wait failed: " + resultstr);
            return;
        }
    }
    status = kEnded;
    DebugLog("done");
}

}  // namespace quill

#pragma once

#include <QMetaObject>
#include <QString>

#include "core/StoryQueue.h"
#include "frontend/MainUnit.h"

namespace quill {

// Carries a queue's and its jobs' reports from their threads to the window. Each report is
// queued to the GUI thread and the job goes on at once, so a window that is busy or closing
// never holds up the job (and never deadlocks with it).
class JobBridge : public IQueueObserver {
  public:
    explicit JobBridge(TMainfm& window) : window_(window) {}

    void LogAppended(const std::string& line) override {
        Post([w = &window_, text = QString::fromStdString(line)] { w->Log(text); });
    }
    void LogReplaced(const std::string& line) override {
        Post([w = &window_, text = QString::fromStdString(line)] { w->UpdateLog(text); });
    }
    void LogCleared() override {
        Post([w = &window_] { w->ReplaceAllLines({}); });
    }
    void ProgressChanged(const ProgressState& state) override {
        Post([w = &window_, state] { w->ShowProgress(state); });
    }
    void Finished(const JobResult& result) override {
        Post([w = &window_, result] { w->JobEnded(result); });
    }
    void QueueChanged(const std::vector<QueuedStory>& stories) override {
        Post([w = &window_, stories] { w->ShowQueue(stories); });
    }
    void QueueFinished(const QueueSummary& summary) override {
        Post([w = &window_, summary] { w->QueueEnded(summary); });
    }

  private:
    template <class F>
    void Post(F change) {
        QMetaObject::invokeMethod(&window_, std::move(change), Qt::QueuedConnection);
    }

    TMainfm& window_;
};

}  // namespace quill

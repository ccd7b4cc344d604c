// The footer's view of a job's progress.
#include <QLabel>
#include <QProgressBar>

#include "frontend/MainUnit.h"

namespace quill {

void TMainfm::ShowProgress(const ProgressState& state) {
    using Phase = ProgressState::Phase;
    const bool shown = state.phase != Phase::Idle && state.phase != Phase::Ended;
    ProgressBar->setVisible(shown && state.total > 0);
    ProgressBar->setRange(0, std::max(1, state.total));
    ProgressBar->setValue(std::min(state.done, std::max(1, state.total)));
    QString chapter;
    if (state.phase == Phase::Building) {
        chapter = "Building the book";
    } else if (shown) {
        chapter = QString::fromStdString(state.title);
    }
    ChapterLabel->setText(
        ChapterLabel->fontMetrics().elidedText(chapter, Qt::ElideRight, ChapterLabel->width()));
    QStringList parts;
    for (const std::string& part : {CountdownText(state), TimeLeftText(state)}) {
        if (!part.empty()) {
            parts << QString::fromStdString(part);
        }
    }
    CountdownLabel->setText(parts.join(" · "));
}

}  // namespace quill

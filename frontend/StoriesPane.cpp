// The library's stories beside the window's controls: the list, its actions and the queue.
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <set>

#include "core/StoryLibrary.h"
#include "frontend/MainUnit.h"
#include "frontend/MyUtils.h"
#include "library/LibraryText.h"

namespace quill {

namespace {

constexpr int kNumberRole = Qt::UserRole;    // on the title column: the story's number
constexpr int kSortRole = Qt::UserRole + 1;  // a number to sort a column by, where text won't do

// Sorts by the number a column holds where it has one (chapters, times), else by text as a
// reader would.
class StoryItem : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, kSortRole), theirs = other.data(column, kSortRole);
        if (mine.isValid() && theirs.isValid()) {
            return mine.toLongLong() < theirs.toLongLong();
        }
        return QString::localeAwareCompare(text(column).toCaseFolded(),
                                           other.text(column).toCaseFolded()) < 0;
    }
};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& area) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(area);
    return button;
}

// The book a double-click opens: the PDF, else the EPUB, if it is still there.
std::optional<std::string> BookToOpen(const LibraryStory& story) {
    for (const char* format : {"pdf", "epub"}) {
        const LibraryBook* book = story.Book(format);
        if (book != nullptr && QFileInfo(Text(book->path)).isFile()) {
            return book->path;
        }
    }
    return std::nullopt;
}

}  // namespace

void TMainfm::CreateStoriesPane() {
    constexpr int kLeft = 712, kWidth = 500;
    StoriesLabel = new QLabel("Stories", this);
    QFont heading = font();
    heading.setBold(true);
    StoriesLabel->setFont(heading);
    StoriesLabel->setGeometry(kLeft, 76, kWidth, 18);

    Stories = new QTreeWidget(this);
    Stories->setGeometry(kLeft, 96, kWidth, 250);
    Stories->setHeaderLabels({"Title", "Author", "Chapters", "New", "Last update", "Outcome"});
    Stories->setRootIsDecorated(false);
    Stories->setUniformRowHeights(true);
    Stories->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Stories->setSortingEnabled(true);
    Stories->sortByColumn(kTitle, Qt::AscendingOrder);
    Stories->setColumnWidth(kTitle, 140);
    Stories->setColumnWidth(kAuthor, 90);
    Stories->setColumnWidth(kChapters, 56);
    Stories->setColumnWidth(kNew, 34);
    Stories->setColumnWidth(kUpdated, 94);
    Stories->header()->setStretchLastSection(true);
    Stories->header()->setMinimumSectionSize(30);
    Stories->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // long texts are elided
    Stories->setToolTip("Double-click a story to open its book");

    updateallbtn = MakeButton(this, "Update all", QRect(kLeft, 352, 96, 28));
    updateallbtn->setToolTip("Check every story for new chapters and bring its books up to date");
    updatebtn = MakeButton(this, "Update", QRect(kLeft + 102, 352, 80, 28));
    updatebtn->setToolTip("Check the selected stories for new chapters");
    folderbtn = MakeButton(this, "Open folder", QRect(kLeft + 188, 352, 96, 28));
    folderbtn->setToolTip("Open the folder that holds the selected story's book");
    removebtn = MakeButton(this, "Remove", QRect(kLeft + kWidth - 80, 352, 80, 28));
    removebtn->setToolTip(
        "Remove the selected stories and their kept chapters from the library; their books "
        "stay");

    QueueLabel = new QLabel("Queue", this);
    QueueLabel->setFont(heading);
    QueueLabel->setGeometry(kLeft, 388, 300, 18);
    QueueList = new QListWidget(this);
    QueueList->setGeometry(kLeft, 408, kWidth - 110, 72);
    QueueList->setSelectionMode(QAbstractItemView::NoSelection);
    cancelbtn = MakeButton(this, "Cancel queue", QRect(kLeft + kWidth - 104, 408, 104, 28));
    cancelbtn->setToolTip("Stop the download that runs and drop the stories waiting");

    connect(updateallbtn, &QPushButton::clicked, this, &TMainfm::updateallbtnClick);
    connect(updatebtn, &QPushButton::clicked, this, &TMainfm::updatebtnClick);
    connect(folderbtn, &QPushButton::clicked, this, &TMainfm::folderbtnClick);
    connect(removebtn, &QPushButton::clicked, this, &TMainfm::removebtnClick);
    connect(cancelbtn, &QPushButton::clicked, this, &TMainfm::cancelbtnClick);
    connect(Stories, &QTreeWidget::itemDoubleClicked, this, &TMainfm::StoriesDblClick);
    connect(Stories, &QTreeWidget::itemSelectionChanged, this, &TMainfm::UpdateStoryActions);
    UpdateStoryActions();
}

Library* TMainfm::OpenedLibrary() {
    if (!library_ && folders_) {
        try {
            library_ = OpenLibrary(*folders_);
        } catch (const std::exception& failure) {
            Log(Text(failure.what()));
        }
    }
    return library_.get();
}

void TMainfm::RefreshStories() {
    Library* library = OpenedLibrary();
    if (library == nullptr) {
        return;
    }
    try {
        shown_ = library->Stories();
    } catch (const std::exception& failure) {
        Log(Text(failure.what()));
        return;
    }
    std::set<uint64_t> selected;
    for (const LibraryStory& story : SelectedStories()) {
        selected.insert(story.number);
    }
    Stories->setSortingEnabled(false);  // while the rows go in
    Stories->clear();
    for (const LibraryStory& story : shown_) {
        auto* item = new StoryItem(Stories);
        item->setText(kTitle, Text(DisplayTitle(story)));
        item->setData(kTitle, kNumberRole, static_cast<qulonglong>(story.number));
        item->setToolTip(kTitle, Text(story.address));
        item->setText(kAuthor, Text(story.author));
        item->setText(kChapters, Text(ChaptersText(story)));
        item->setData(kChapters, kSortRole, story.chaptersKept);
        const std::optional<int> waiting = story.NewWaiting();
        item->setText(kNew, waiting ? QString::number(*waiting) : QString());
        item->setData(kNew, kSortRole, waiting.value_or(-1));
        item->setText(kUpdated, Text(LocalTimeText(story.lastUpdated)));
        item->setData(kUpdated, kSortRole, static_cast<qlonglong>(story.lastUpdated.value_or(0)));
        item->setText(kOutcome, Text(OutcomeText(story, false)));
        item->setToolTip(kOutcome, Text(OutcomeText(story)));
        item->setSelected(selected.count(story.number) > 0);
    }
    Stories->setSortingEnabled(true);
    UpdateStoryActions();
    emit storiesChanged();
}

std::vector<LibraryStory> TMainfm::SelectedStories() const {
    std::vector<LibraryStory> stories;
    for (const QTreeWidgetItem* item : Stories->selectedItems()) {
        const uint64_t number = item->data(kTitle, kNumberRole).toULongLong();
        for (const LibraryStory& story : shown_) {
            if (story.number == number) {
                stories.push_back(story);
            }
        }
    }
    return stories;
}

void TMainfm::UpdateStoryActions() {
    if (Stories == nullptr) {
        return;
    }
    const bool selected = !Stories->selectedItems().isEmpty();
    updateallbtn->setEnabled(Stories->topLevelItemCount() > 0);
    updatebtn->setEnabled(selected);
    folderbtn->setEnabled(selected);
    // The kept chapters are not removed under a job that may be writing them.
    removebtn->setEnabled(selected && !busy_);
    cancelbtn->setEnabled(busy_);
}

void TMainfm::ShowQueue(const std::vector<QueuedStory>& stories) {
    QueueList->clear();
    const bool running = JobRunning();
    for (size_t i = 0; i < stories.size(); ++i) {
        QueueList->addItem((i == 0 && running ? "Downloading: " : "Waiting: ") +
                           Text(stories[i].label));
    }
    QueueLabel->setText(stories.empty() ? "Queue" : QString("Queue (%1)").arg(stories.size()));
    emit queueChanged();
}

QStringList TMainfm::QueueLines() const {
    QStringList lines;
    for (int i = 0; i < QueueList->count(); ++i) {
        lines << QueueList->item(i)->text();
    }
    return lines;
}

void TMainfm::updateallbtnClick() {
    if (!EnsureFolders()) {
        return;
    }
    RefreshStories();
    std::vector<QueuedStory> stories;
    for (const LibraryStory& story : shown_) {  // least recently checked first
        stories.push_back(QueueEntry(WithPictures(UpdateRequest(story)), DisplayTitle(story)));
    }
    if (!stories.empty()) {
        Enqueue(stories, true);
    }
}

void TMainfm::updatebtnClick() {
    if (!EnsureFolders()) {
        return;
    }
    std::vector<QueuedStory> stories;
    for (const LibraryStory& story : SelectedStories()) {
        stories.push_back(QueueEntry(WithPictures(UpdateRequest(story)), DisplayTitle(story)));
    }
    if (!stories.empty()) {
        Enqueue(stories, true);
    }
}

void TMainfm::folderbtnClick() {
    const std::vector<LibraryStory> stories = SelectedStories();
    if (stories.empty() || !folders_) {
        return;
    }
    const std::optional<std::string> book = BookToOpen(stories.front());
    OpenWithDefaultProgram(book ? QFileInfo(Text(*book)).absolutePath()
                                : QDir::cleanPath(Text(folders_->datadir)));
}

void TMainfm::removebtnClick() {
    const std::vector<LibraryStory> stories = SelectedStories();
    Library* library = OpenedLibrary();
    if (stories.empty() || library == nullptr || busy_) {
        return;
    }
    const QString which = stories.size() == 1
                              ? "\u201C" + Text(DisplayTitle(stories.front())) + "\u201D"
                              : QString("these %1 stories").arg(stories.size());
    if (QMessageBox::question(this, kProductTitle,
                              "Remove " + which +
                                  " from the library? The kept chapters are deleted; the books "
                                  "stay in the Documents folder.") != QMessageBox::Yes) {
        return;
    }
    for (const LibraryStory& story : stories) {
        try {
            RemoveStory(*folders_, *library, story.number);
        } catch (const std::exception& failure) {
            Log(Text(failure.what()));
        }
    }
    RefreshStories();
}

void TMainfm::cancelbtnClick() {
    if (queue_) {
        queue_->Cancel();
    }
}

void TMainfm::StoriesDblClick(QTreeWidgetItem* item) {
    const uint64_t number = item->data(kTitle, kNumberRole).toULongLong();
    for (const LibraryStory& story : shown_) {
        if (story.number != number) {
            continue;
        }
        if (const std::optional<std::string> book = BookToOpen(story)) {
            OpenWithDefaultProgram(Text(*book));
        } else {
            Log("No book of \u201C" + Text(DisplayTitle(story)) +
                "\u201D is in the Documents folder. Press Update to make it.");
        }
    }
}

}  // namespace quill

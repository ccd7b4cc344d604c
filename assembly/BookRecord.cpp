#include "assembly/BookRecord.h"

#include "epub/EpubBook.h"
#include "pdf/BookFinish.h"

namespace quill {

namespace {

bool IsEpub(const std::string& path) {
    constexpr char kEpub[] = ".epub";
    return path.size() >= sizeof kEpub - 1 &&
           path.compare(path.size() - (sizeof kEpub - 1), sizeof kEpub - 1, kEpub) == 0;
}

}  // namespace

std::optional<std::string> RecordedStory(const std::string& path) {
    return IsEpub(path) ? StoryOfEpub(path) : ReadStoryOfBook(path);
}

std::optional<std::vector<int>> RecordedChapters(const std::string& path) {
    return IsEpub(path) ? ChaptersOfEpub(path) : ReadChaptersOfBook(path);
}

}  // namespace quill

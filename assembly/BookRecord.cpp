#include "assembly/BookRecord.h"

#include "common/Text.h"
#include "epub/EpubBook.h"
#include "pdf/BookFinish.h"

namespace quill {

namespace {

bool IsEpub(const std::string& path) {
    return EndsWith(path, ".epub");
}

}  // namespace

std::optional<std::string> RecordedStory(const std::string& path) {
    return IsEpub(path) ? StoryOfEpub(path) : ReadStoryOfBook(path);
}

std::optional<std::vector<int>> RecordedChapters(const std::string& path) {
    return IsEpub(path) ? ChaptersOfEpub(path) : ReadChaptersOfBook(path);
}

}  // namespace quill

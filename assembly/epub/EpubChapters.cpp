#include "EpubChapters.h"

#include <algorithm>
#include <iterator>

#include "EpubText.h"
#include "bookjob/ChapterRecord.h"
#include "cleaning/ChapterMarkup.h"
#include "common/Errors.h"
#include "common/Paths.h"

namespace quill::epub {

EpubChapters::EpubChapters(BookJob& job, const BookMetadata& book, CleanedChapters& cleaned,
                           BuildReport& report)
    : job_(job), book_(book), cleaned_(cleaned), report_(report) {
    const std::string prefix = IncludeTrailingSeparator(job.tmpdir);
    // Wide enough that the loop ends even for the largest chapter number.
    for (long long n = std::max(job.firstchapter, 1); n <= job.lastchapter; ++n) {
        if (FileExists(prefix + std::to_string(n) + ".html")) {
            numbers_.push_back(static_cast<int>(n));
        }
    }
    headings_.resize(numbers_.size());
    known_.resize(numbers_.size());
}

ChapterMarkup EpubChapters::Clean(size_t index) {
    const std::string number = std::to_string(numbers_[index]);
    ChapterMarkup markup;
    try {
        markup = cleaned_.Clean(numbers_[index]);
    } catch (const EConvertError& e) {
        // The chapter keeps its place in the book, with a note where its text would be, and
        // the build goes on with the next one.
        report_.Report(build::EpubChapterFailed{numbers_[index], e.what()});
        NoteUnconverted(numbers_[index]);
        markup.xhtml = "<h2>Chapter " + number +
                       "</h2>\n<p>The text of this chapter could not be " +
                       "converted: " + XmlEscape(e.what()) + ".</p>";
    }
    headings_[index] = Label(markup.heading, "Chapter " + number);
    known_[index] = true;
    return markup;
}

void EpubChapters::NoteUnconverted(int number) {
    InsertChapter(job_.unrendered, number);
    InsertChapter(unconverted_, number);
}

std::vector<int> EpubChapters::Converted() const {
    std::vector<int> converted;
    std::set_difference(numbers_.begin(), numbers_.end(), unconverted_.begin(), unconverted_.end(),
                        std::back_inserter(converted));
    return converted;
}

std::string EpubChapters::Document(size_t index) {
    report_.ProcessMessages();
    if (job_.cancelled && job_.cancelled()) {
        throw EBuildCancelled("The EPUB was not saved: the build was cancelled");
    }
    report_.Report(build::EpubChapter{numbers_[index]});
    const ChapterMarkup markup = Clean(index);
    return ChapterDocument(book_, ChapterEntry{numbers_[index], headings_[index]}, markup.xhtml);
}

std::vector<ChapterEntry> EpubChapters::Entries() {
    std::vector<ChapterEntry> entries;
    entries.reserve(numbers_.size());
    for (size_t i = 0; i < numbers_.size(); ++i) {
        if (!known_[i]) {
            Clean(i);
        }
        entries.push_back({numbers_[i], headings_[i]});
    }
    return entries;
}

}  // namespace quill::epub

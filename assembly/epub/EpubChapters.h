#pragma once

#include <string>
#include <vector>

#include "EpubDocuments.h"
#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "cleaning/ChapterMarkup.h"
#include "cleaning/CleanedChapters.h"

namespace quill::epub {

// The chapters of one EPUB build: which chapter files exist, and each one's document,
// made while the book is written from the build's cleaned chapters. The headings are kept
// for the tables of contents. A chapter whose markup cannot be read whole gets a note in its
// place and is added to job.unrendered.
class EpubChapters {
  public:
    EpubChapters(BookJob& job, const BookMetadata& book, CleanedChapters& cleaned,
                 BuildReport& report);

    // The numbers of the existing chapter files, 1 .. lastchapter, in order.
    const std::vector<int>& Numbers() const { return numbers_; }
    // The document of the chapter at that place in Numbers(); reports it.
    std::string Document(size_t index);
    // Every chapter with its heading; a chapter not made yet is read for it now.
    std::vector<ChapterEntry> Entries();
    // The chapters that kept their text; complete once every chapter has been made.
    std::vector<int> Converted() const;

  private:
    ChapterMarkup Clean(size_t index);
    void NoteUnconverted(int number);

    BookJob& job_;
    const BookMetadata& book_;
    CleanedChapters& cleaned_;
    BuildReport& report_;
    std::vector<int> numbers_;
    std::vector<std::string> headings_;
    std::vector<bool> known_;
    std::vector<int> unconverted_;  // sorted
};

}  // namespace quill::epub

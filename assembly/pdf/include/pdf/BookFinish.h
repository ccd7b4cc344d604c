#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bookjob/BookPage.h"
#include "platform/AtomicFile.h"

namespace quill {

// Where a chapter begins in the book.
struct BookChapter {
    int number = 0;       // the chapter file's number
    std::string heading;  // the chapter's heading as its page shows it; may be empty
    int firstPage = 0;    // zero-based index of the chapter's first page
};

// How the chapter pages are finished: the page number in the middle of the foot, and on
// dark pages the page around the text as dark as the text's own background.
struct PageFinish {
    double footMm = kBookMarginBottomMm;  // the chapter pages' bottom margin
    double numberPoints = 9;
    bool dark = false;
};

// What the finished book carries besides its pages: the story it was made from, and
// where its parts begin.
struct BookContents {
    std::string title;                  // the story's title as the run log gives it
    std::string author;                 // the story's author as the run log gives it
    std::string storyUrl;               // the story's address; empty when the build had none
    std::string language;               // the story's language tag; empty: none recorded
    int coverPages = 0;                 // the pages at the front that belong to the cover
    std::vector<BookChapter> chapters;  // in book order
    PageFinish pages;
};

// The chapters the book holds, as it records them.
std::vector<int> HeldChapters(const BookContents& contents);

// Writes the merged PDF as the finished book at bookPath: an outline (the cover, then every
// chapter at its first page) shown when the book opens, document information (title,
// author, the program and engines, the story's address, the chapters it holds), the
// document's language (/Lang, for screen readers and hyphenation), page labels, and a
// printed number at the foot of every chapter page, counting from 1 at the first one; dark
// chapter pages are dark to their edges. The book
// appears under its name only when it is whole; a failure leaves whatever file had that name as it
// was. Throws EPdfException when the merged PDF cannot be read, EFCreateError or EWriteError
// when the book cannot be written.
void WriteFinishedBook(const std::string& mergedPdf, const BookContents& contents,
                       const std::string& bookPath);

// The same into `book`'s temporary file, opened here and left for the caller to commit.
// Returns the finished document, for the caller to let go of once the book is saved:
// freeing a long book's objects takes about a tenth of its finishing.
std::shared_ptr<void> FinishBook(const std::string& mergedPdf, const BookContents& contents,
                                 platform::AtomicFile& book);

// The story address a finished book records (a StoryOfBook for ChooseBookPath); nothing
// when the file records none or is not a readable PDF.
std::optional<std::string> ReadStoryOfBook(const std::string& path);

// The chapters a finished book records (a ChaptersOfBook); nothing when the file records
// none or is not a readable PDF.
std::optional<std::vector<int>> ReadChaptersOfBook(const std::string& path);

}  // namespace quill

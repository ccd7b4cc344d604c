#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bookjob/ChapterRecord.h"
#include "common/Errors.h"
#include "common/WindowLog.h"

namespace quill {

class TPdfDocument;

// Which editions a build makes.
enum class BookFormat { Pdf, Epub, PdfAndEpub };

// What one book build works on: the folders, the story's title and the highest chapter
// number read from the run log, and what the build leaves for the completion step.
struct BookJob {
    std::string tmpdir;     // the work folder, no trailing separator
    std::string datadir;    // the data folder the book is saved in
    std::string booktitle;  // the story title as the run log gives it
    int lastchapter = 0;    // chapter files 0 .. lastchapter are processed
    std::string bookdir;    // set to tmpdir with a trailing separator before merging
    std::string bookfile;   // emptied before merging, the book's full path after the save

    std::string bookauthor;  // the story's author as the run log gives it
    std::string storyurl;    // the story's address; the book records it
    // Other addresses that earlier books of this story may record (IsBookOfStory).
    std::vector<std::string> earlierStoryUrls;
    // The story's language tag when the site gives one; empty: "en".
    std::string booklanguage;
    BookFormat format = BookFormat::Pdf;
    // The render worker program (bin/quillrender beside the launcher).
    std::string renderer;
    // Rendered chapters kept between jobs, keyed by content and settings; empty: none.
    std::string renderCache;
    // Every page is rendered anew and replaces its cached copy (chapters fetched again).
    bool renderAgain = false;
    // The longest one chapter's rendering may take before that chapter is given up.
    std::chrono::milliseconds chapterTimeout{60000};
    // Asked between chapters; true stops the build early (the program is closing).
    std::function<bool()> cancelled;

    // Chapters of the story that the work folder lacks (the download left them out), in
    // order. A build without them is not complete.
    std::vector<int> notDownloaded;

    std::string epubfile;         // the EPUB edition's full path, when one was made
    std::vector<int> unrendered;  // chapters that could not be rendered, in order
    // Editions not saved because the story's earlier book holds chapters this build lacks.
    std::vector<KeptBook> kept;
};

// Makes the editions job.format asks for. The PDF: renders 0.html .. N.html of the work
// folder, merges them in that order into one book in the data folder, and leaves its path
// in job.bookfile (emptied when no PDF is asked for). The EPUB: see BuildEpub (EpubBook.h).
// Each edition records the chapters it holds, and replaces the story's earlier edition only
// when it holds all of that one's; otherwise it is not saved, and job.kept says why.
// Errors propagate; a build that holds no chapter throws EEmptyBook.
void BuildBook(BookJob& job, IWindowLog& log);

// A build that holds no chapter is no book: nothing is saved. The message says why.
class EEmptyBook : public Exception {
  public:
    using Exception::Exception;
};

// Thrown when BookJob::cancelled asks the build to stop.
class EBuildCancelled : public Exception {
  public:
    using Exception::Exception;
};

// Renders every existing N.html of the work folder to N.pdf beside it, in the render
// worker (job.renderer), each within job.chapterTimeout, or takes it from the render cache.
// A page that fails, crashes the engine or runs out of time is named in the log, recorded
// in job.unrendered and left out; the build goes on with the next one.
void ConvertChapters(BookJob& job, IWindowLog& log);

// Renders one HTML file to one PDF file with fresh settings and a fresh converter, in this
// process. Local files may be read only from the HTML file's own folder; the PDF file
// appears whole or not at all. A chapter (bookStyle) gets the book's page style; the cover
// page is rendered as it is.
void HtmlToPdf(const std::string& HtmlFile, const std::string& PdfFile, bool bookStyle = false);

// The book's file name (no folder, no extension) made from the story title.
std::string MakeBookName(const std::string& booktitle);

// Reads the story address that a finished book records; nothing when the file records
// none (or cannot be read).
using StoryOfBook = std::function<std::optional<std::string>(const std::string& path)>;

// Where a book of the story at storyUrl is saved: folder/name + ext, unless a file there
// holds another story (a file that records none counts as another story, except for a
// build without an address); then "name (2)" + ext, "name (3)" + ext,
// and so on: the first name that is free or holds this story. A book holds this story when
// it records the same story in any address form (SameStory), or one of earlierUrls. A
// story never overwrites another story's book. Throws EFCreateError when no such name is
// left.
std::string ChooseBookPath(const std::string& folder, const std::string& name,
                           const std::string& ext, const std::string& storyUrl,
                           const StoryOfBook& storyOf,
                           const std::vector<std::string>& earlierUrls = {});

// Appends all pages of the PDF file to the book; returns its page count, 0 when the file
// does not exist.
int AppendPdf(const std::string& FileName, TPdfDocument& Book);

// The "file:///..." address of a local file: every byte but RFC 3986's unreserved characters
// and "/" percent-encoded (a Windows drive's colon stays).
std::string FilePathToUrl(const std::string& path);

}  // namespace quill

#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bookjob/BookChoices.h"
#include "bookjob/BuildEvents.h"
#include "bookjob/ChapterRecord.h"
#include "bookjob/Volumes.h"
#include "common/Errors.h"

// What a book build is asked to make and what it leaves behind: all that the job core needs
// to know of book making, without the engines, the cleaning or the editions' code.
namespace quill {

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
    // The story's language tag when the site gives one; empty: none. The build sets it to
    // the language both editions name (BookLanguage): the site's, else the one the chapters'
    // script tells, else "und".
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
    // Told what the build does as it goes (optional); the log's lines say the same.
    BuildProgress progress;

    // Chapters of the story that the work folder lacks (the download left them out), in
    // order. A build without them is not complete.
    std::vector<int> notDownloaded;
    // The chapters show the pictures the downloader kept beside them; false: text only.
    bool pictures = true;
    // How many of each chapter's pictures the build could not put into the book.
    std::map<int, int> picturesLeftOut;

    std::string epubfile;         // the EPUB edition's full path, when one was made
    std::vector<int> unrendered;  // chapters that could not be rendered, in order
    // Editions not saved because the story's earlier book holds chapters this build lacks.
    std::vector<KeptBook> kept;

    // The kind of book asked for: page, type, dark pages, ragged text and volumes. The
    // story's language (booklanguage) decides how its words are hyphenated.
    BookChoices choices;
    // With volumes: the numbers of those that stay as they are, without being rendered or
    // saved again (the caller found them up to date).
    std::vector<int> keepVolumes;
    // The chapters of this book when it is one volume (firstchapter .. lastchapter), and
    // that volume's number; the builder sets them for each volume it makes.
    int firstchapter = 1;
    int volume = 0;
    // Every book saved, each edition of each volume, in order (the PDF's first).
    std::vector<SavedBook> saved;
    // The most render workers side by side; 0: one for each processor. Memory bounds them
    // as well.
    int renderWorkers = 0;
    // Render-cache keys of pages this job has rendered anew already (while the chapters
    // were downloaded): taken from the cache even when every page is to be rendered anew.
    std::set<std::string> renderedAnew;
};

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

}  // namespace quill

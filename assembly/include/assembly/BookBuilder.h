#pragma once

#include <string>
#include <vector>

#include "bookjob/BookJob.h"
#include "bookjob/StagedEdition.h"
#include "bookjob/Volumes.h"
#include "common/WindowLog.h"

namespace quill {

// Makes the editions job.format asks for. The PDF: renders 0.html .. N.html of the work
// folder, merges them in that order into one book in the data folder, and leaves its path
// in job.bookfile (emptied when no PDF is asked for). The EPUB: see StageEpub (EpubBook.h).
// Each edition records the chapters it holds, and replaces the story's earlier edition only
// when it holds all of that one's; otherwise it is not saved, and job.kept says why.
// Errors propagate; a build that holds no chapter throws EEmptyBook.
void BuildBook(BookJob& job, IWindowLog& log);

// One edition of one volume (or of the whole story), made and waiting to be saved, with
// the same volume's books under other names that it replaces once saved (the last
// volume's name grows with the story).
struct VolumeEdition {
    StagedEdition edition;
    VolumeRange volume;
    std::vector<std::string> replaces;
};

// A book made but not saved yet: each edition waits whole beside its name, and what the
// build reported waits with it, to be told when the book is saved.
struct StagedBook {
    struct Part {
        size_t eventsBefore;  // the events told before this edition is saved
        VolumeEdition made;
    };
    std::vector<BuildEvent> events;
    std::vector<Part> editions;  // in the order BuildBook saves them
};

// Makes the editions as BuildBook does, without a word to the window and without saving
// any: for a book made ahead, while it is not known yet whether it will be wanted. Errors
// propagate as from BuildBook. Dropping the result leaves every book as it was.
StagedBook StageBook(BookJob& job);

// Tells the window (and job.progress) what making the staged book reported, and saves its
// editions, each as BuildBook does: only when it holds every chapter the story's book
// under its name holds, judged now.
void SaveStagedBook(BookJob& job, StagedBook& staged, IWindowLog& log);

// Whether a file of the work folder is one a build writes itself (the rendered pages, the
// rendered copies of the chapters, the merged pages, pictures made fit, the page style
// sheets, temporary files), which the next build
// makes again, rather than one the book is made from.
bool IsBuildProduct(const std::string& name);

}  // namespace quill

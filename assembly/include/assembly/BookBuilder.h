#pragma once

#include "bookjob/BookJob.h"
#include "common/WindowLog.h"

namespace quill {

// Makes the editions job.format asks for. The PDF: renders 0.html .. N.html of the work
// folder, merges them in that order into one book in the data folder, and leaves its path
// in job.bookfile (emptied when no PDF is asked for). The EPUB: see BuildEpub (EpubBook.h).
// Each edition records the chapters it holds, and replaces the story's earlier edition only
// when it holds all of that one's; otherwise it is not saved, and job.kept says why.
// Errors propagate; a build that holds no chapter throws EEmptyBook.
void BuildBook(BookJob& job, IWindowLog& log);

}  // namespace quill

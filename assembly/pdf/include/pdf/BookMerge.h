#pragma once

#include <string>

#include "assembly/BookBuilder.h"
#include "pdf/BookFinish.h"
#include "platform/AtomicFile.h"

namespace quill {

// Appends 0.pdf .. N.pdf of the work folder to the book in that order, with the window-log
// line of each, and notes where the cover and each chapter begin in `contents`. A page
// whose pages the engine refuses to import is named in the log and job.unrendered; one it
// cannot open fails the merge with an EPdfException that names it and its file.
void MergeChapters(BookJob& job, IWindowLog& log, TPdfDocument& book, BookContents& contents);

// Saves the merged pages into the open scratch file's temporary file; throws EFCreateError
// or EWriteError, naming the scratch file, when they do not all reach it (a full disk).
void SaveMerged(TPdfDocument& book, const platform::AtomicFile& scratch);

}  // namespace quill

#pragma once

#include <string>

#include "assembly/BookBuilder.h"
#include "assembly/BookFinish.h"
#include "platform/AtomicFile.h"

namespace quill {

// Appends 0.pdf .. N.pdf of the work folder to the book in that order, with the window-log
// line of each, and notes where the cover and each chapter begin in `contents`.
void MergeChapters(const BookJob& job, IWindowLog& log, TPdfDocument& book, BookContents& contents);

// Saves the merged pages into the open scratch file's temporary file; throws EFCreateError
// or EWriteError, naming the scratch file, when they do not all reach it (a full disk).
void SaveMerged(TPdfDocument& book, const platform::AtomicFile& scratch);

}  // namespace quill

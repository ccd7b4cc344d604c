#pragma once

#include <functional>
#include <string>

#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "pdf/BookFinish.h"
#include "platform/AtomicFile.h"

namespace quill {

class TPdfDocument;

// Appends all pages of the PDF file to the book; returns its page count, 0 when the file
// does not exist.
int AppendPdf(const std::string& FileName, TPdfDocument& Book);

// The heading a chapter's outline entry shows, by chapter number.
using HeadingOf = std::function<std::string(int number)>;

// Appends 0.pdf, then firstchapter.pdf .. lastchapter.pdf of the work folder to the book in
// that order, reporting each, and
// notes where the cover and each chapter begin (under headingOf's heading) in `contents`.
// A page whose pages the engine refuses to import is reported as left out and noted in
// job.unrendered; one it cannot open fails the merge with an EPdfException that names it
// and its file.
void MergeChapters(BookJob& job, BuildReport& report, TPdfDocument& book, BookContents& contents,
                   const HeadingOf& headingOf);

// Saves the merged pages into the open scratch file's temporary file; throws EFCreateError
// or EWriteError, naming the scratch file, when they do not all reach it (a full disk).
void SaveMerged(TPdfDocument& book, const platform::AtomicFile& scratch);

}  // namespace quill

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "bookjob/ChapterRecord.h"
#include "platform/AtomicFile.h"

namespace quill {

// An edition made whole but not saved yet: its bytes wait in the temporary file beside its
// name, so that saving it is one rename, and dropping it leaves every file as it was.
struct StagedEdition {
    Edition edition = Edition::Pdf;
    std::string path;                            // the name it is saved under
    std::unique_ptr<platform::AtomicFile> file;  // its bytes, flushed to the disk
    std::vector<int> held;                       // the chapters it holds, in order
    std::vector<int> leftOut;                    // what a complete build would hold and it lacks
    ChaptersOfBook chaptersOf;                   // what the book under that name records it holds
    // What making it leaves to free, let go of once it is saved or dropped, so that the
    // save waits for no clean-up.
    std::shared_ptr<void> leftovers;
};

// Saves the edition under its name, unless the story's book there holds a chapter it lacks,
// judged now: then that book stays exactly as it was, job.kept says why, the edition is
// dropped and the result is false. Throws EWriteError when it cannot be put in place.
bool SaveEdition(BookJob& job, StagedEdition& edition, BuildReport& report);

}  // namespace quill

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "bookjob/StagedEdition.h"
#include "cleaning/CleanedChapters.h"

namespace quill {

// Makes the EPUB edition of the job's story for `path` from the chapters firstchapter ..
// lastchapter (one volume's, when job.volume is set; its title and identifier name it)
// (cleaned in `chapters`) and the cover picture of the work folder. It waits whole beside
// `path` until SaveEdition, which judges then whether it may replace the story's EPUB
// there: like the PDF, it records the chapters it holds (see job.kept). Errors propagate;
// no file is left half written; an EPUB without a chapter throws EEmptyBook.
StagedEdition StageEpub(BookJob& job, const std::string& path, CleanedChapters& chapters,
                        BuildReport& report);

// The story address an EPUB records (its dc:source); nothing when it records none or is
// not a readable EPUB.
std::optional<std::string> StoryOfEpub(const std::string& path);

// The chapters an EPUB records (a ChaptersOfBook); nothing when it records none or is not
// a readable EPUB.
std::optional<std::vector<int>> ChaptersOfEpub(const std::string& path);

}  // namespace quill

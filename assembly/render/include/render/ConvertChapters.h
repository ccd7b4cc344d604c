#pragma once

#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"
#include "cleaning/CleanedChapters.h"

namespace quill {

// Renders every existing N.html of the work folder to N.pdf beside it, in the render
// worker (job.renderer), each within job.chapterTimeout, or takes it from the render cache.
// A chapter is rendered from its rendered copy in `chapters`, made while the page before it
// renders.
// Each page is reported as it is taken up. A page that fails, crashes the engine or runs out
// of time is reported as left out and recorded in job.unrendered; the build goes on with
// the next one.
void ConvertChapters(BookJob& job, CleanedChapters& chapters, BuildReport& report);

}  // namespace quill

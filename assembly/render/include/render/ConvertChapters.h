#pragma once

#include "bookjob/BookJob.h"
#include "bookjob/BuildReport.h"

namespace quill {

// Renders every existing N.html of the work folder to N.pdf beside it, in the render
// worker (job.renderer), each within job.chapterTimeout, or takes it from the render cache.
// Each page is reported as it is taken up. A page that fails, crashes the engine or runs out
// of time is reported as left out and recorded in job.unrendered; the build goes on with
// the next one.
void ConvertChapters(BookJob& job, BuildReport& report);

}  // namespace quill

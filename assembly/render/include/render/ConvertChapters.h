#pragma once

#include "bookjob/BookJob.h"
#include "common/WindowLog.h"

namespace quill {

// Renders every existing N.html of the work folder to N.pdf beside it, in the render
// worker (job.renderer), each within job.chapterTimeout, or takes it from the render cache.
// A page that fails, crashes the engine or runs out of time is named in the log, recorded
// in job.unrendered and left out; the build goes on with the next one.
void ConvertChapters(BookJob& job, IWindowLog& log);

}  // namespace quill

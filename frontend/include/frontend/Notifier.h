#pragma once

#include "core/Job.h"
#include "core/StoryQueue.h"

namespace quill {

// Tells the desktop that a job has ended, through the freedesktop notification service on
// the session bus. Without a bus or a service nothing happens.
void NotifyJobEnded(const JobResult& result);

// Tells the desktop that a queue of stories, or an update of the library's stories, has
// ended, with what it found: "3 stories had new chapters (7 in all); 1 could not be checked".
void NotifyQueueEnded(const QueueSummary& summary, bool update);

}  // namespace quill

#pragma once

#include "core/Job.h"

namespace quill {

// Tells the desktop that a job has ended, through the freedesktop notification service on
// the session bus. Without a bus or a service nothing happens.
void NotifyJobEnded(const JobResult& result);

}  // namespace quill

#pragma once

namespace quill::worker {

// Starts the engine, says "ready" (or why it cannot start) on `out`, then renders one
// request line from `in` after the other, answering each, until `in` ends. Returns the
// program's exit code.
int Serve(int in, int out);

}  // namespace quill::worker

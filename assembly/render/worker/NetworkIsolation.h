#pragma once

namespace quill::worker {

// Moves this process into a network of its own with no way out: no interface but a loopback
// that is down, so nothing the engine is given can reach any host, not even this machine's
// own services. Must run while the process has a single thread. False when the system does
// not allow it (unprivileged user namespaces switched off).
bool LeaveTheNetwork();

}  // namespace quill::worker

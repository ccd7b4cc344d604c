#pragma once

#include <string>

namespace quill {

// Everything besides the page itself that shapes a rendered PDF, for the render cache's key:
// the engine (its version and files), the render settings, the cleaning's version and the
// document a cleaned chapter is put into, the book's style sheet and margins.
std::string RenderFingerprint(const std::string& engineIdentity);

}  // namespace quill

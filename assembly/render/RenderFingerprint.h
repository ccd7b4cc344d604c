#pragma once

#include <string>

#include "bookjob/BookChoices.h"

namespace quill {

// Everything besides the page itself that shapes a rendered PDF, for the render cache's key:
// the engine (its version and files), the render settings, the cleaning's version and the
// document a cleaned chapter is put into, the book's style sheet and margins.
std::string RenderFingerprint(const std::string& engineIdentity);

// The piece of the key that the book's choices shape: the page look (preset, text size,
// colours, justification) with the style sheets and page geometry it gives, and what
// besides a chapter's own text shapes its rendered copy (copyIdentity: the soft hyphens'
// language and dictionary). The number of chapters per volume shapes no page.
std::string BookChoicesFingerprint(const PageLook& look, const std::string& copyIdentity);

}  // namespace quill

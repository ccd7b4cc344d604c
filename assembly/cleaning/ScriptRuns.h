#pragma once

#include <string>
#include <string_view>

namespace quill::markup {

// The cleaned fragment as the HTML engine needs it to draw every script in its own face and
// every line on the page (the rendered copy only; e-book readers need none of this):
//  - each run of a script the engine shapes with the element's first family alone (Arabic,
//    Hebrew, Thai, the Indic scripts...: kComplexScriptFaces) is wrapped in
//    <span class="qs-arab">, whose rule in the book's style sheet names that script's face
//    first. Spaces, punctuation and digits between two letters of the script stay in its
//    run.
//  - inside an Arabic-script run, every space is followed by <wbr/> and every run of
//    punctuation, symbols and digits gets a <span> of its own. Without the first the engine
//    breaks no line between Arabic words, and a long paragraph runs off the page as one
//    line; without the second it draws a right-to-left line that holds them shifted past
//    the right margin, where its start is cut off.
std::string WithScriptSpans(std::string_view xhtml);

}  // namespace quill::markup

#pragma once

#include <string>
#include <string_view>

namespace quill {

struct ChapterMarkup {
    std::string heading;  // the text of the chapter file's first <h2>, entities decoded
    std::string xhtml;    // the whole chapter, cleaned, as a well-formed XHTML fragment
};

// Parses untrusted chapter markup (libxml2) and keeps only text and text markup.
ChapterMarkup CleanChapter(std::string_view html);

}  // namespace quill

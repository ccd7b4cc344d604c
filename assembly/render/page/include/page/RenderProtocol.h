#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookjob/BookChoices.h"

// The line protocol between the book builder and its render worker (bin/quillrender): one
// request line in, one reply line out. A line is words separated by single blanks, ending
// in a line feed; every word is percent-encoded, so paths and messages with blanks, line
// breaks or any other byte cross as data and never as structure.
//
//   worker, once started:  ready VERSION        | failed engine MESSAGE
//   request:               chapter SOURCE PDF [LOOK] | page SOURCE PDF [LOOK]
//   reply:                 done | failed KIND MESSAGE
//
// "chapter" renders SOURCE, a chapter's rendered copy (the builder has cleaned it), with the
// book's page style; "page" renders SOURCE as it stands (the cover page, which is ours).
// LOOK is the book's page look (PageLookText: preset, text size, colours, justification);
// without it, the default look.
// KIND says what failed (RenderFailure).
namespace quill::render {

enum class PageKind { Chapter, Page };

struct Request {
    PageKind kind = PageKind::Chapter;
    std::string source;
    std::string pdf;
    PageLook look;
};

// What a failed reply names: the whole build stops for Engine and Output; the chapter alone
// is left out for the others.
namespace failure {
constexpr std::string_view Engine = "engine";    // the engine cannot be loaded or started
constexpr std::string_view Output = "output";    // a file cannot be written (disk full...)
constexpr std::string_view Input = "input";      // the page cannot be read
constexpr std::string_view Convert = "convert";  // the engine could not render the page
}  // namespace failure

std::string EncodeRequest(const Request& request);
// Nothing for a line that is no valid request.
std::optional<Request> DecodeRequest(std::string_view line);

// A reply line from its words (status first).
std::string EncodeLine(const std::vector<std::string>& words);
// The words of a line (without its line feed), decoded.
std::vector<std::string> DecodeLine(std::string_view line);

}  // namespace quill::render

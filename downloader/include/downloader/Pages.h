#pragma once

// What the downloader reads from each kind of page it fetches, taken out of the parsed page
// so that the page itself can be freed before the next one is fetched.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "web/Html.h"

namespace quill {

struct StoryMeta {
    std::string title;   // "headline"
    std::string author;  // "author" → "name"
    std::string image;   // the cover's address
    // "url": the story page's address as the site gives it, when it is a text. Only ever
    // read for the story's number.
    std::optional<std::string> url;
    // "inLanguage" when it is a well-formed language tag (WellFormedLanguageTag).
    std::optional<std::string> language;
};

// One link of the table of contents.
struct TocEntry {
    std::string text;                 // its text content, as the page has it
    std::optional<std::string> href;  // nothing when the link has none
};

struct StoryPage {
    StoryMeta meta;
    std::vector<TocEntry> entries;  // in page order, each link once
};

// Reads the story page fetched from aurl. Throws when its metadata cannot be used.
StoryPage ReadStoryPage(const gsweb::Document& story, const std::string& aurl);

// A chapter's first view: how many pages the chapter has, and its heading.
struct FirstView {
    int pages = 0;
    std::string heading;  // the trimmed text of "h1.h2"
};

// Reads the first view of the chapter at url. Throws when the page count or the heading is
// missing or unusable.
FirstView ReadFirstView(const gsweb::Document& view, const std::string& url);

// A page's text as the chapter file holds it: the formatted pre element without its "<pre>"
// and "</pre>" tags. Throws KeyError when the page has no pre element and SizeLimitError
// when the formatted element would be larger than maxBytes.
std::string ReadPageText(const gsweb::Document& page, const std::string& url, size_t maxBytes);

// The sources of the pictures a chapter document shows: each <img> element's src, blanks
// trimmed, each once, in the order they first appear. Empty sources are none.
std::vector<std::string> ReadPictureSources(const gsweb::Document& chapter);

}  // namespace quill

#pragma once

#include <cstddef>
#include <string>

// Deterministic pages for the parsing benchmark, shaped like the story site's: the same
// seed gives the same bytes on every machine, so both parsers measure identical input.
namespace bench {

// An overview page of about `bytes`: metadata, a long table of contents, a large embedded
// data script, and many reader comments.
std::string StoryPage(size_t bytes);
// A chapter's text page of about `bytes`: a pre element full of paragraphs.
std::string ChapterPage(size_t bytes);
// Start tags that are never closed, with text between them.
std::string UnclosedTagsPage(size_t bytes);
// `depth` nested div elements around a pre.
std::string DeepPage(size_t depth);

}  // namespace bench

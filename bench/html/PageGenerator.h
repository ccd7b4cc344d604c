#pragma once

#include <cstddef>
#include <cstdint>
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

// A chapter page whose text carries what authors paste into a story: lists, tables, forms,
// definition lists, nested pre blocks, div wrappers and the stray end tags of pasted whole
// documents, mixed at random (the seed picks the mix), between ordinary paragraphs.
std::string PastedMarkupChapter(uint32_t seed);

// Pages of about `bytes` built to be as costly as possible for a parser or a formatter
// while staying inside the downloader's limits, padded with plain text.
std::string ManyEmptyElementsPage(size_t bytes);  // <b></b><b></b>…
std::string ManyAttributesPage(size_t bytes);     // tags with 100 attributes each
std::string DeepFormattingPage(size_t bytes);     // formatting tags nested 250 deep, repeated
std::string IndentedBreaksPage(size_t bytes);     // <br> lines 250 levels deep in a pre
std::string PlainTextPage(size_t bytes);          // one pre holding a single text run
std::string NestedLinksStoryPage(size_t bytes);   // contents links nested 120 deep round text

}  // namespace bench

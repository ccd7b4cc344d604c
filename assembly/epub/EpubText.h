#pragma once

// Small text rules of the EPUB edition: how page text enters XML, how a story gets its
// identifier, and how times are written.

#include <ctime>
#include <string>
#include <string_view>

namespace quill::epub {

// The text with invalid UTF-8 replaced and the characters XML cannot carry dropped.
std::string XmlCharacters(std::string_view text);

// Text (or an attribute value) made safe for XML: invalid UTF-8 replaced, characters XML
// cannot carry dropped, markup characters escaped. Quotes are escaped too, so the result
// fits inside a double-quoted attribute.
std::string XmlEscape(std::string_view text);

// A one-line label (a title, a heading; see OneLineLabel) fit for XML, or fallback when
// nothing is left.
std::string Label(std::string_view text, const std::string& fallback);

// "urn:uuid:..." made from the story's address, the same for the same address on every
// run: a name-based UUID (version 8) over SHA-256 of the URL namespace and the address.
// A build without an address gets one from the title and the author instead.
std::string StoryIdentifier(const std::string& storyUrl, const std::string& title,
                            const std::string& author);

// A language tag as EPUB metadata takes it: a well-formed BCP 47 tag; anything else gives
// "und" (undetermined), never a language the book may not be in.
std::string LanguageTag(const std::string& tag);

// The UTC time as "2026-12-09T17:43:18Z".
std::string W3cTime(std::time_t when);

}  // namespace quill::epub

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// A language tag as the story site gives it (schema.org inLanguage), read as the BCP 47 tag
// it must be: its well-formed shape (RFC 5646: language, then optional extended language,
// script, region, variants, extensions and private use), written in the registry's case
// ("zh-hant-tw" becomes "zh-Hant-TW"). Nothing for any other text, so a page's value can
// never carry more than a tag into a run-log line, a file or markup. Grandfathered tags and
// tags of private use only are not taken either: readers know them no better than none.
std::optional<std::string> WellFormedLanguageTag(std::string_view text);

// The language of a story whose site gives none and whose script tells none.
constexpr const char* kUndeterminedLanguage = "und";

// Whether text in that language is written right to left: by its script subtag when it has
// one ("az-Arab"), otherwise by its primary language (Arabic, Hebrew, Persian, Urdu...).
bool IsRightToLeftLanguage(std::string_view tag);

}  // namespace quill

#include "EpubText.h"

#include <cctype>

#include "cleaning/MarkupText.h"
#include "common/Digest.h"
#include "common/LanguageTag.h"
#include "common/OneLine.h"
#include "common/Utf8.h"

namespace quill::epub {

namespace {

// The RFC 4122 URL namespace, in its byte form, so identifiers follow the usual
// name-based scheme.
constexpr std::string_view kUrlNamespace =
    "\x6b\xa7\xb8\x11\x9d\xad\x11\xd1\x80\xb4\x00\xc0\x4f\xd4\x30\xc8";

}  // namespace

// One rule for what XML may carry, shared with the chapter cleaning.
std::string XmlCharacters(std::string_view text) {
    return markup::WithoutForbidden(SanitizeUtf8(text));
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    markup::AppendEscaped(out, SanitizeUtf8(text), true);
    return out;
}

std::string Label(std::string_view text, const std::string& fallback) {
    std::string label = OneLineLabel(XmlCharacters(text));
    return label.empty() ? fallback : label;
}

std::string StoryIdentifier(const std::string& storyUrl, const std::string& title,
                            const std::string& author) {
    Sha256 hash;
    hash.Add(kUrlNamespace);
    if (!storyUrl.empty()) {
        hash.Add(storyUrl);
    } else {
        hash.Add("quillby-book:").Add(title).Add("\n").Add(author);
    }
    std::string hex = hash.Hex().substr(0, 32);
    hex[12] = '8';  // version 8: a name-based UUID over a hash other than SHA-1
    static constexpr char kHex[] = "0123456789abcdef";
    const int variant = std::stoi(hex.substr(16, 1), nullptr, 16);
    hex[16] = kHex[(variant & 0x3) | 0x8];  // the RFC 4122 variant
    return "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20, 12);
}

std::string LanguageTag(const std::string& tag) {
    return WellFormedLanguageTag(tag).value_or(kUndeterminedLanguage);
}

std::string W3cTime(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace quill::epub

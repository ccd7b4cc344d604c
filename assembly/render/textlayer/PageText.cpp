#include "PageText.h"

#include <unicode/uscript.h>

#include <optional>

#include "common/Utf8.h"

namespace quill::textlayer {

namespace {

std::optional<char32_t> NumericEntity(std::string_view digits, int base) {
    char32_t value = 0;
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * base + static_cast<char32_t>(digit);
    }
    return value <= 0x10FFFF ? std::optional<char32_t>(value) : std::nullopt;
}

// The character an entity ("&amp;", "&#x1F600;") stands for; nothing for names the page's
// text does not need to be told by.
std::optional<char32_t> EntityCharacter(std::string_view entity) {
    if (entity == "amp") {
        return U'&';
    }
    if (entity == "lt") {
        return U'<';
    }
    if (entity == "gt") {
        return U'>';
    }
    if (entity == "quot") {
        return U'"';
    }
    if (entity == "nbsp") {
        return U'\u00A0';
    }
    if (entity.size() > 1 && entity[0] == '#') {
        return entity[1] == 'x' || entity[1] == 'X' ? NumericEntity(entity.substr(2), 16)
                                                    : NumericEntity(entity.substr(1), 10);
    }
    return std::nullopt;
}

// Splits a text node into runs of one script; characters that every script shares go with
// the run they stand in.
void AddRuns(const std::u32string& text, PageText& page) {
    std::u32string run;
    UScriptCode current = USCRIPT_COMMON;
    for (const char32_t c : text) {
        UErrorCode error = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &error);
        const bool shared =
            U_FAILURE(error) || script == USCRIPT_COMMON || script == USCRIPT_INHERITED;
        if (!shared && script != current) {
            if (current != USCRIPT_COMMON && !run.empty()) {
                page.runs.push_back(run);
                run.clear();
            }
            current = script;
        }
        run += c;
        page.characters.insert(c);
    }
    if (!run.empty()) {
        page.runs.push_back(run);
    }
}

}  // namespace

PageText ReadPageText(std::string_view html) {
    PageText page;
    std::u32string text;
    bool inTag = false;
    for (size_t at = 0; at < html.size();) {
        const Utf8Char c = DecodeUtf8(html, at);
        at += c.length;
        if (inTag) {
            inTag = c.code != '>';
            continue;
        }
        if (c.code == '<') {
            AddRuns(text, page);
            text.clear();
            inTag = true;
        } else if (c.code == '&') {
            const size_t end = html.find(';', at);
            const std::optional<char32_t> decoded = end != std::string_view::npos && end - at <= 10
                                                        ? EntityCharacter(html.substr(at, end - at))
                                                        : std::nullopt;
            if (decoded) {
                text += *decoded;
                at = end + 1;
            } else {
                text += U'&';
            }
        } else {
            text += c.code;
        }
    }
    AddRuns(text, page);
    return page;
}

}  // namespace quill::textlayer

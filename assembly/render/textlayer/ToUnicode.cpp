#include "ToUnicode.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace quill::textlayer {

namespace {

// Reads a CMap's tokens: <hex strings>, [ and ], and words (operators and numbers).
class Tokens {
  public:
    explicit Tokens(std::string_view text) : text_(text) {}

    // The next token; empty at the end.
    std::string_view Next() {
        while (at_ < text_.size() && IsBlank(text_[at_])) {
            ++at_;
        }
        if (at_ >= text_.size()) {
            return {};
        }
        const size_t start = at_;
        if (text_[at_] == '<') {
            const size_t end = text_.find('>', at_);
            at_ = end == std::string_view::npos ? text_.size() : end + 1;
        } else if (text_[at_] == '[' || text_[at_] == ']') {
            ++at_;
        } else {
            while (at_ < text_.size() && !IsBlank(text_[at_]) && text_[at_] != '<' &&
                   text_[at_] != '[' && text_[at_] != ']') {
                ++at_;
            }
        }
        return text_.substr(start, at_ - start);
    }

  private:
    static bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

    std::string_view text_;
    size_t at_ = 0;
};

std::optional<std::vector<unsigned>> HexUnits(std::string_view token, size_t digitsPerUnit) {
    if (token.size() < 2 || token.front() != '<' || token.back() != '>') {
        return std::nullopt;
    }
    const std::string_view hex = token.substr(1, token.size() - 2);
    if (hex.empty() || hex.size() % digitsPerUnit != 0) {
        return std::nullopt;
    }
    std::vector<unsigned> units;
    for (size_t i = 0; i < hex.size(); i += digitsPerUnit) {
        unsigned value = 0;
        for (size_t k = i; k < i + digitsPerUnit; ++k) {
            const char c = hex[k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        units.push_back(value);
    }
    return units;
}

std::optional<unsigned> Code(std::string_view token) {
    const auto units = HexUnits(token, 4);
    return units && units->size() == 1 ? std::optional<unsigned>(units->front()) : std::nullopt;
}

// UTF-16BE text as code points; a lone surrogate is kept as it is.
std::optional<std::u32string> Text(std::string_view token) {
    const auto units = HexUnits(token, 4);
    if (!units) {
        return std::nullopt;
    }
    std::u32string text;
    for (size_t i = 0; i < units->size(); ++i) {
        const unsigned u = (*units)[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units->size() && (*units)[i + 1] >= 0xDC00 &&
            (*units)[i + 1] < 0xE000) {
            text +=
                static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + ((*units)[++i] - 0xDC00));
        } else {
            text += static_cast<char32_t>(u);
        }
    }
    return text;
}

void Range(Tokens& tokens, TextMap& map) {
    const auto low = Code(tokens.Next());
    const auto high = Code(tokens.Next());
    const std::string_view target = tokens.Next();
    if (!low || !high || *high < *low) {
        return;
    }
    if (target == "[") {
        for (unsigned code = *low;; ++code) {
            const std::string_view item = tokens.Next();
            if (item == "]" || item.empty()) {
                return;
            }
            if (const auto text = Text(item); text && code <= *high) {
                map[code] = *text;
            }
        }
    }
    std::optional<std::u32string> text = Text(target);
    if (!text || text->empty()) {
        return;
    }
    for (unsigned code = *low; code <= *high; ++code) {
        map[code] = *text;
        ++text->back();  // the last unit counts up through the range
    }
}

void AppendUtf16Hex(std::string& out, char32_t c) {
    char unit[8];
    if (c >= 0x10000) {
        const char32_t v = c - 0x10000;
        std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(0xD800 + (v >> 10)));
        out += unit;
        std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
    } else {
        std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(c));
    }
    out += unit;
}

}  // namespace

TextMap ParseToUnicode(std::string_view cmap) {
    TextMap map;
    Tokens tokens(cmap);
    for (std::string_view token = tokens.Next(); !token.empty(); token = tokens.Next()) {
        if (token == "beginbfchar") {
            for (std::string_view code = tokens.Next(); !code.empty() && code != "endbfchar";
                 code = tokens.Next()) {
                const auto c = Code(code);
                const auto text = Text(tokens.Next());
                if (c && text) {
                    map[*c] = *text;
                }
            }
        } else if (token == "beginbfrange") {
            // Each entry is three tokens or a bracketed list; Range reads one of them.
            for (;;) {
                Tokens peek = tokens;
                const std::string_view next = peek.Next();
                if (next.empty() || next == "endbfrange") {
                    tokens = peek;
                    break;
                }
                Range(tokens, map);
            }
        }
    }
    return map;
}

std::string WriteToUnicode(const TextMap& map) {
    std::string out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<unsigned, const std::u32string*>> entries;
    for (const auto& [code, text] : map) {
        if (code <= 0xFFFF) {
            entries.emplace_back(code, &text);  // an empty text: the glyph stands for none
        }
    }
    // At most 100 entries to a block, as the CMap format asks.
    for (size_t start = 0; start < entries.size(); start += 100) {
        const size_t end = std::min(entries.size(), start + 100);
        out += std::to_string(end - start) + " beginbfchar\n";
        for (size_t i = start; i < end; ++i) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", entries[i].first);
            out += "<" + std::string(code) + "> <";
            for (const char32_t c : *entries[i].second) {
                AppendUtf16Hex(out, c);
            }
            out += ">\n";
        }
        out += "endbfchar\n";
    }
    return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

}  // namespace quill::textlayer

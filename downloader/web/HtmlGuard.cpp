#include "HtmlGuard.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "HtmlTree.h"
#include "web/Errors.h"

namespace gsweb::html {

namespace {

constexpr std::string_view kPrefix = "qx-";

// Name characters as libxml2's HTML parser reads them, so that both see the same tags.
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c == '.';
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Tags that libxml2 lets close an open pre, or that a </pre> cannot close (found by
// parsing each HTML element name inside a pre with the libxml2 we build against).
bool ClashesWithPre(std::string_view name) {
    static constexpr std::array<std::string_view, 15> kNames = {
        "dd",    "div", "dl",    "dt", "fieldset", "form", "li", "table",
        "tbody", "td",  "tfoot", "th", "thead",    "tr",   "ul"};
    for (const std::string_view candidate : kNames) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

// Collects the changes to the page; copies it only once there is a first change.
class Editor {
  public:
    Editor(std::string_view html, std::string& storage) : html_(html), out_(storage) {}

    void Insert(size_t at, std::string_view text) { Replace(at, at, text); }
    void Remove(size_t from, size_t to) { Replace(from, to, {}); }

    Guarded Finish(bool renamed) {
        if (!changed_) {
            return {html_, false};
        }
        out_.append(html_.substr(copied_));
        return {out_, renamed};
    }

  private:
    void Replace(size_t from, size_t to, std::string_view text) {
        if (!changed_) {
            out_.clear();
            out_.reserve(html_.size() + html_.size() / 64);
            changed_ = true;
        }
        out_.append(html_.substr(copied_, from - copied_));
        out_.append(text);
        copied_ = to;
    }

    std::string_view html_;
    std::string& out_;
    size_t copied_ = 0;
    bool changed_ = false;
};

struct Tag {
    size_t nameStart = 0;
    size_t end = 0;    // one past the tag's ">"; the page's end when it has none
    std::string name;  // lower case, cut to a few characters (enough for every comparison)
    bool closing = false;
    bool selfClosing = false;
};

class Scanner {
  public:
    Scanner(std::string_view html, const GuardLimits& limits) : html_(html), limits_(limits) {}

    // The position after what starts at `at` (a "<") when it is a comment, a document type
    // or a processing instruction; 0 when it is none of these. Any other "<!" is text to
    // libxml2, and so it is here.
    size_t SkipMarkupDeclaration(size_t at) {
        size_t end = 0;
        if (html_.compare(at, 4, "<!--") == 0) {
            end = Past(html_.find("-->", at + 4), 3);
        } else if (EqualsLower(html_.substr(at, 9), "<!doctype") ||
                   html_.compare(at, 2, "<?") == 0) {
            end = Past(html_.find('>', at + 2), 1);
        }
        if (end != 0) {
            CountTag();
        }
        return end;
    }

    // Reads the tag at `at`, or returns false when the "<" there opens none (it is text).
    bool ReadTag(size_t at, Tag& tag) {
        tag.closing = at + 1 < html_.size() && html_[at + 1] == '/';
        tag.nameStart = at + 1 + (tag.closing ? 1 : 0);
        if (tag.nameStart >= html_.size() || !IsNameStart(html_[tag.nameStart])) {
            return false;
        }
        size_t i = tag.nameStart;
        tag.name.clear();
        for (; i < html_.size() && IsNameChar(html_[i]); ++i) {
            if (tag.name.size() < 12) {
                tag.name += Lower(html_[i]);
            }
        }
        CountTag();
        tag.selfClosing = false;
        tag.end = tag.closing ? Past(html_.find('>', i), 1) : ReadAttributes(i, tag);
        return true;
    }

    // Where the raw text of a script or style element that goes on at `from` gives way to
    // an end tag, as libxml2 reads it: at an end tag right where the text starts, otherwise at
    // the next "</" followed by the element's name (also the start of a longer name).
    size_t RawTextEnd(size_t from, std::string_view lowerName) const {
        if (html_.compare(from, 2, "</") == 0 && from + 2 < html_.size() &&
            IsNameStart(html_[from + 2])) {
            return from;
        }
        for (size_t at = html_.find("</", from); at != std::string_view::npos;
             at = html_.find("</", at + 2)) {
            if (EqualsLower(html_.substr(at + 2, lowerName.size()), lowerName)) {
                return at;
            }
        }
        return html_.size();
    }

  private:
    // Each tag and each attribute becomes a node or two of the tree.
    void CountItem() {
        if (++items_ > limits_.maxItems) {
            Fail("more than " + std::to_string(limits_.maxItems) + " tags and attributes");
        }
    }

    void CountTag() { CountItem(); }

    // Counts the attributes of one tag, `perTag` of them so far.
    void CountAttribute(size_t perTag) {
        CountItem();
        if (perTag > limits_.maxAttributesPerTag) {
            Fail("a tag with more than " + std::to_string(limits_.maxAttributesPerTag) +
                 " attributes");
        }
        attributePairs_ += perTag - 1;
        if (attributePairs_ > limits_.maxAttributePairs) {
            Fail("too many tags with many attributes each");
        }
    }

    [[noreturn]] static void Fail(const std::string& what) {
        throw quill::ValueError("page could not be parsed: " + what);
    }

    size_t Past(size_t found, size_t length) const {
        return found == std::string_view::npos ? html_.size() : found + length;
    }

    void SkipSpaces(size_t& i) const {
        while (i < html_.size() && IsSpace(html_[i])) {
            ++i;
        }
    }

    // Attribute names and values up to the tag's end; returns the position after ">".
    size_t ReadAttributes(size_t i, Tag& tag) {
        size_t attributes = 0;
        for (;;) {
            SkipSpaces(i);
            if (i >= html_.size()) {
                return i;
            }
            if (html_[i] == '>') {
                return i + 1;
            }
            if (html_.compare(i, 2, "/>") == 0) {
                tag.selfClosing = true;
                return i + 2;
            }
            const size_t start = i;
            while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '=' && html_[i] != '>' &&
                   html_.compare(i, 2, "/>") != 0) {
                ++i;
            }
            if (i == start) {
                ++i;  // a stray "=": libxml2 skips it too
                continue;
            }
            CountAttribute(++attributes);
            SkipSpaces(i);
            if (i < html_.size() && html_[i] == '=') {
                ++i;
                SkipSpaces(i);
                i = SkipValue(i);
            }
        }
    }

    size_t SkipValue(size_t i) const {
        if (i < html_.size() && (html_[i] == '"' || html_[i] == '\'')) {
            return Past(html_.find(html_[i], i + 1), 1);
        }
        while (i < html_.size() && !IsSpace(html_[i]) && html_[i] != '>') {
            ++i;
        }
        return i;
    }

    std::string_view html_;
    GuardLimits limits_;
    size_t items_ = 0;
    size_t attributePairs_ = 0;
};

// Renames the tags inside pre elements that clash with libxml2's rules for pre. Renamed
// elements lose libxml2's rules for the end tags HTML lets pages leave out too (of list
// items, definitions, table rows and cells), so those end tags are written in here.
class PreGuard {
  public:
    explicit PreGuard(Editor& editor) : editor_(editor) {}

    bool renamed() const { return renamed_; }

    void OnTag(size_t at, const Tag& tag) {
        const bool own = EqualsLower(std::string_view(tag.name).substr(0, kPrefix.size()), kPrefix);
        const bool clash = preDepth_ > 0 && ClashesWithPre(tag.name);
        if (clash && !tag.closing) {
            CloseImplied(at, tag.name);
        }
        if (own || clash) {
            // A page's own "qx-" names get a second prefix, so that restoring is exact.
            editor_.Insert(tag.nameStart, kPrefix);
            renamed_ = true;
        }
        if (clash && !tag.selfClosing) {
            Track(tag);
        }
        if (tag.name == "pre" && !tag.selfClosing) {
            preDepth_ = tag.closing ? (preDepth_ > 0 ? preDepth_ - 1 : 0) : preDepth_ + 1;
            if (preDepth_ == 0) {
                open_.clear();
            }
        }
    }

  private:
    // Closes the innermost renamed element when it is one of `names`.
    bool CloseInnermost(size_t at, std::initializer_list<std::string_view> names) {
        if (open_.empty() || std::find(names.begin(), names.end(), open_.back()) == names.end()) {
            return false;
        }
        editor_.Insert(at, "</" + std::string(kPrefix) + open_.back() + ">");
        open_.pop_back();
        return true;
    }

    void CloseImplied(size_t at, const std::string& name) {
        if (name == "li") {
            CloseInnermost(at, {"li"});
        } else if (name == "dt" || name == "dd") {
            CloseInnermost(at, {"dt", "dd"});
        } else if (name == "td" || name == "th") {
            CloseInnermost(at, {"td", "th"});
        } else if (name == "tr") {
            CloseInnermost(at, {"td", "th"});
            CloseInnermost(at, {"tr"});
        }
    }

    void Track(const Tag& tag) {
        if (!tag.closing) {
            open_.push_back(tag.name);
            return;
        }
        const auto match = std::find(open_.rbegin(), open_.rend(), tag.name);
        if (match != open_.rend()) {
            open_.erase(std::next(match).base(), open_.end());
        }
    }

    Editor& editor_;
    size_t preDepth_ = 0;
    std::vector<std::string> open_;  // renamed elements still open, innermost last
    bool renamed_ = false;
};

}  // namespace

Guarded GuardTextElements(std::string_view html, const GuardLimits& limits, std::string& storage) {
    Scanner scanner(html, limits);
    Editor editor(html, storage);
    PreGuard guard(editor);
    Tag tag;
    std::string rawText;  // "script" or "style" while inside one
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at)) {
        if (const size_t next = scanner.SkipMarkupDeclaration(at)) {
            at = next;
            continue;
        }
        if (!scanner.ReadTag(at, tag)) {
            ++at;
            continue;
        }
        if (tag.closing && (tag.name == "body" || tag.name == "html")) {
            editor.Remove(at, tag.end);
        } else {
            guard.OnTag(at, tag);
        }
        at = tag.end;
        if (rawText.empty() && !tag.closing && !tag.selfClosing &&
            (tag.name == "script" || tag.name == "style")) {
            rawText = tag.name;
        } else if (tag.closing && (tag.name == rawText || tag.name == "pre")) {
            rawText.clear();  // its own end tag, or one that closes it from outside
        }
        if (!rawText.empty()) {
            at = scanner.RawTextEnd(at, rawText);
        }
    }
    return editor.Finish(guard.renamed());
}

void RestoreGuardedNames(xmlDoc* doc) {
    WalkDescendants(
        AsNode(doc),
        [](const xmlNode* node) {
            if (node->type != XML_ELEMENT_NODE) {
                return Visit::SkipChildren;
            }
            const std::string_view name = View(node->name);
            if (name.substr(0, kPrefix.size()) == kPrefix) {
                xmlNodeSetName(const_cast<xmlNode*>(node),
                               reinterpret_cast<const xmlChar*>(
                                   std::string(name.substr(kPrefix.size())).c_str()));
            }
            return Visit::Children;
        },
        [](const xmlNode*) {});
}

}  // namespace gsweb::html

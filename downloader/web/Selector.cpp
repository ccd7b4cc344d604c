#include "web/Selector.h"

#include <utility>

#include "HtmlTree.h"
#include "web/Errors.h"

namespace gsweb {

namespace {

using Compound = Selector::Compound;
using Combinator = Selector::Combinator;
using html::IsBlank;
using html::LowerAscii;

bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}

// Recursive descent over the grammar the matcher supports; anything else is refused with
// the place where it starts, so that a mistyped selector is found at once.
class SelectorParser {
  public:
    explicit SelectorParser(std::string_view text) : text_(text) {}

    std::vector<Compound> ParseList() {
        std::vector<Compound> compounds;
        for (;;) {
            SkipBlanks();
            if (AtEnd() || Peek() == ',') {
                Fail(compounds.empty() && AtEnd() ? "empty selector"
                                                  : "empty selector in the list");
            }
            ParseComplex(compounds);
            if (AtEnd()) {
                return compounds;
            }
            ++pos_;  // the ',' that ParseComplex stopped at
        }
    }

  private:
    void ParseComplex(std::vector<Compound>& out) {
        Combinator combinator = Combinator::None;
        for (;;) {
            out.push_back(ParseCompound());
            out.back().combinator = combinator;
            const bool blanks = SkipBlanks();
            if (AtEnd() || Peek() == ',') {
                out.back().subject = true;
                return;
            }
            if (Peek() == '>') {
                ++pos_;
                SkipBlanks();
                if (AtEnd() || Peek() == ',' || Peek() == '>') {
                    Fail("a '>' combinator without a selector after it");
                }
                combinator = Combinator::Child;
            } else if (blanks && Peek() != '+' && Peek() != '~') {
                combinator = Combinator::Descendant;
            } else {
                RejectHere();
            }
        }
    }

    Compound ParseCompound() {
        Compound compound;
        bool empty = true;
        if (!AtEnd() && Peek() == '*') {
            ++pos_;
            empty = false;
        } else if (AtIdentifier()) {
            compound.type = LowerAscii(ParseIdentifier("an element name"));
            empty = false;
        }
        for (bool more = true; more && !AtEnd();) {
            if (Peek() == '.') {
                ++pos_;
                compound.classes.push_back(ParseIdentifier("a class name after '.'"));
            } else if (Peek() == '#') {
                ++pos_;
                compound.ids.push_back(ParseIdentifier("an id after '#'"));
            } else if (Peek() == '[') {
                compound.attributes.push_back(ParseAttribute());
            } else {
                more = false;
                continue;
            }
            empty = false;
        }
        if (empty) {
            RejectHere();
        }
        return compound;
    }

    Selector::AttributeTest ParseAttribute() {
        ++pos_;  // '['
        SkipBlanks();
        Selector::AttributeTest test;
        test.name = LowerAscii(ParseIdentifier("an attribute name after '['"));
        SkipBlanks();
        if (!AtEnd() && Peek() == '=') {
            ++pos_;
            SkipBlanks();
            test.value = ParseValue();
            SkipBlanks();
        } else if (!AtEnd() && pos_ + 1 < text_.size() && text_[pos_ + 1] == '=' &&
                   std::string_view("~^$*|").find(Peek()) != std::string_view::npos) {
            Fail(std::string("the attribute operator '") + Peek() + "=' is not supported");
        }
        if (AtEnd()) {
            Fail("unbalanced '['");
        }
        if (Peek() != ']') {
            Fail(IsNameStart(Peek()) ? "attribute flags are not supported"
                                     : "unbalanced '[' or unexpected character");
        }
        ++pos_;
        return test;
    }

    std::string ParseValue() {
        if (AtEnd() || (Peek() != '"' && Peek() != '\'')) {
            return ParseIdentifier("an attribute value after '='");
        }
        const char quote = text_[pos_++];
        const size_t start = pos_;
        for (; !AtEnd() && Peek() != quote; ++pos_) {
            if (Peek() == '\\') {
                Fail("escapes are not supported");
            }
        }
        if (AtEnd()) {
            pos_ = start - 1;
            Fail("unterminated string");
        }
        return std::string(text_.substr(start, pos_++ - start));
    }

    std::string ParseIdentifier(const char* what) {
        if (!AtIdentifier()) {
            if (!AtEnd() && Peek() == '\\') {
                Fail("escapes are not supported");
            }
            Fail(std::string("expected ") + what);
        }
        const size_t start = pos_;
        while (!AtEnd() && IsNameChar(Peek())) {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    bool AtIdentifier() const {
        if (AtEnd()) {
            return false;
        }
        if (Peek() == '-') {
            return pos_ + 1 < text_.size() &&
                   (IsNameStart(text_[pos_ + 1]) || text_[pos_ + 1] == '-');
        }
        return IsNameStart(Peek());
    }

    // Names what the selector uses at this point that the matcher does not understand.
    [[noreturn]] void RejectHere() const {
        if (AtEnd()) {
            Fail("expected a selector");
        }
        switch (Peek()) {
            case ':':
                Fail("pseudo-classes and pseudo-elements are not supported");
            case '+':
            case '~':
                Fail(std::string("the '") + Peek() + "' combinator is not supported");
            case '|':
                Fail("namespaces are not supported");
            case '\\':
                Fail("escapes are not supported");
            case ']':
                Fail("unbalanced ']'");
            case '>':
            case ',':
                Fail(std::string("a selector is missing before '") + Peek() + "'");
            default:
                Fail(std::string("unexpected character '") + Peek() + "'");
        }
    }

    [[noreturn]] void Fail(const std::string& what) const {
        std::string message = "unsupported CSS selector \"" + std::string(text_) + "\": " + what;
        if (pos_ < text_.size()) {
            message += " (at \"" + std::string(text_.substr(pos_, 16)) + "\")";
        }
        throw quill::SelectorError(message);
    }

    bool SkipBlanks() {
        const size_t start = pos_;
        while (!AtEnd() && IsBlank(Peek())) {
            ++pos_;
        }
        return pos_ != start;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

Selector Selector::Parse(std::string_view text) {
    return Selector(std::string(text), SelectorParser(text).ParseList());
}

}  // namespace gsweb

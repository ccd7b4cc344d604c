#include "HtmlWriter.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "HtmlTree.h"
#include "web/Errors.h"

namespace gsweb::html {

namespace {

struct StringSink {
    std::string& text;
    void Append(std::string_view piece) { text.append(piece); }
};

// FNV-1a: cheap, and stable across runs, which keeps hashed containers reproducible.
struct HashSink {
    uint64_t hash = 14695981039346656037ull;
    size_t* budget = nullptr;  // bytes still allowed, when bounded
    void Append(std::string_view piece) {
        if (budget != nullptr) {
            if (piece.size() > *budget) {
                throw quill::SizeLimitError("the markup to compare is too large");
            }
            *budget -= piece.size();
        }
        for (const char c : piece) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
    }
};

// 1 for bytes escaped in text, 2 for those escaped only in attribute values.
constexpr std::array<unsigned char, 256> EscapeTable() {
    std::array<unsigned char, 256> table{};
    table['&'] = table['<'] = table['>'] = 1;
    table['"'] = 2;
    return table;
}

template <class Sink>
void AppendEscaped(Sink& out, std::string_view text, bool inAttribute) {
    static constexpr std::array<unsigned char, 256> kEscape = EscapeTable();
    const unsigned char escaped = inAttribute ? 3 : 1;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((kEscape[static_cast<unsigned char>(text[i])] & escaped) == 0) {
            continue;
        }
        out.Append(text.substr(start, i - start));
        switch (text[i]) {
            case '&':
                out.Append("&amp;");
                break;
            case '<':
                out.Append("&lt;");
                break;
            case '>':
                out.Append("&gt;");
                break;
            default:
                out.Append("&quot;");
                break;
        }
        start = i + 1;
    }
    out.Append(text.substr(start));
}

bool IsChildlessVoid(const xmlNode* element) {
    return element->children == nullptr && IsVoidElement(element);
}

template <class Sink>
void AppendStartTag(Sink& out, const xmlNode* element, std::string& scratch) {
    out.Append("<");
    out.Append(View(element->name));
    for (const xmlAttr* attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
        out.Append(" ");
        out.Append(View(attribute->name));
        out.Append("=\"");
        AppendEscaped(out, AttributeValue(attribute, scratch), true);
        out.Append("\"");
    }
    out.Append(IsChildlessVoid(element) ? "/>" : ">");
}

template <class Sink>
void AppendEndTag(Sink& out, const xmlNode* element) {
    out.Append("</");
    out.Append(View(element->name));
    out.Append(">");
}

template <class Sink>
void AppendDoctype(Sink& out, const xmlDtd* dtd) {
    out.Append("<!DOCTYPE ");
    out.Append(View(dtd->name));
    if (dtd->ExternalID != nullptr) {
        out.Append(" PUBLIC \"");
        out.Append(View(dtd->ExternalID));
        out.Append("\"");
        if (dtd->SystemID != nullptr) {
            out.Append(" \"");
            out.Append(View(dtd->SystemID));
            out.Append("\"");
        }
    } else if (dtd->SystemID != nullptr) {
        out.Append(" SYSTEM \"");
        out.Append(View(dtd->SystemID));
        out.Append("\"");
    }
    out.Append(">");
}

// Text as the page carried it: script and style content goes out raw, because the
// downloader searches it for embedded data and an escaped copy would not match.
template <class Sink>
void AppendText(Sink& out, const xmlNode* node, std::string_view text) {
    if (IsRawTextElement(node->parent)) {
        out.Append(text);
    } else if (node->type == XML_CDATA_SECTION_NODE) {
        out.Append("<![CDATA[");
        out.Append(text);
        out.Append("]]>");
    } else {
        AppendEscaped(out, text, false);
    }
}

// Writes any node but an element, or returns false for a node that has no markup.
template <class Sink>
bool AppendLeaf(Sink& out, const xmlNode* node, std::string_view text) {
    switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            AppendText(out, node, text);
            return true;
        case XML_COMMENT_NODE:
            out.Append("<!--");
            out.Append(View(node->content));
            out.Append("-->");
            return true;
        case XML_DTD_NODE:
            AppendDoctype(out, reinterpret_cast<const xmlDtd*>(node));
            return true;
        case XML_PI_NODE:
            out.Append("<?");
            out.Append(View(node->name));
            if (node->content != nullptr) {
                out.Append(" ");
                out.Append(View(node->content));
            }
            out.Append(">");
            return true;
        case XML_ENTITY_REF_NODE:
            out.Append("&");
            out.Append(View(node->name));
            out.Append(";");
            return true;
        default:
            return false;
    }
}

template <class Sink>
class MarkupWriter {
  public:
    explicit MarkupWriter(Sink& out) : out_(out) {}

    Visit Enter(const xmlNode* node) {
        if (node->type != XML_ELEMENT_NODE) {
            AppendLeaf(out_, node, View(node->content));
            return Visit::SkipChildren;
        }
        AppendStartTag(out_, node, scratch_);
        return IsChildlessVoid(node) ? Visit::SkipChildren : Visit::Children;
    }

    void Leave(const xmlNode* node) {
        if (node->type == XML_ELEMENT_NODE && !IsChildlessVoid(node)) {
            AppendEndTag(out_, node);
        }
    }

  private:
    Sink& out_;
    std::string scratch_;
};

template <class Sink>
void WriteMarkup(Sink& out, const xmlNode* root) {
    MarkupWriter<Sink> writer(out);
    const auto enter = [&](const xmlNode* node) { return writer.Enter(node); };
    const auto leave = [&](const xmlNode* node) { writer.Leave(node); };
    if (root->type == XML_ELEMENT_NODE) {
        WalkSubtree(root, enter, leave);
    } else {
        WalkDescendants(root, enter, leave);
    }
}

std::string_view Stripped(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

class PrettyWriter {
  public:
    PrettyWriter(std::string& text, size_t maxBytes) : out_{text}, maxBytes_(maxBytes) {}

    Visit Enter(const xmlNode* node) {
        if (node->type != XML_ELEMENT_NODE) {
            const bool isText = node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE;
            const std::string_view text =
                isText ? Stripped(View(node->content)) : std::string_view();
            if (!isText || !text.empty()) {
                WriteLine([&] { return AppendLeaf(out_, node, text); });
            }
            return Visit::SkipChildren;
        }
        WriteLine([&] {
            AppendStartTag(out_, node, scratch_);
            return true;
        });
        if (IsChildlessVoid(node)) {
            return Visit::SkipChildren;
        }
        ++level_;
        return Visit::Children;
    }

    void Leave(const xmlNode* node) {
        if (node->type == XML_ELEMENT_NODE && !IsChildlessVoid(node)) {
            --level_;
            WriteLine([&] {
                AppendEndTag(out_, node);
                return true;
            });
        }
    }

  private:
    // Indents and ends the line only when `write` produced one.
    template <class Write>
    void WriteLine(Write&& write) {
        const size_t start = out_.text.size();
        out_.text.append(level_, ' ');
        if (write()) {
            out_.text += '\n';
        } else {
            out_.text.resize(start);
        }
        if (out_.text.size() > maxBytes_) {
            throw quill::SizeLimitError("the formatted text is larger than " +
                                        std::to_string(maxBytes_) + " bytes");
        }
    }

    StringSink out_;
    size_t maxBytes_;
    std::string scratch_;
    size_t level_ = 0;
};

}  // namespace

std::string Markup(const xmlNode* root, size_t expectedBytes) {
    std::string text;
    text.reserve(expectedBytes);
    StringSink sink{text};
    WriteMarkup(sink, root);
    return text;
}

size_t MarkupHash(const xmlNode* root) {
    HashSink sink;
    WriteMarkup(sink, root);
    return static_cast<size_t>(sink.hash);
}

size_t MarkupHash(const xmlNode* root, size_t& budget) {
    HashSink sink;
    sink.budget = &budget;
    WriteMarkup(sink, root);
    return static_cast<size_t>(sink.hash);
}

std::string Prettify(const xmlNode* element, size_t maxBytes) {
    std::string text;
    PrettyWriter writer(text, maxBytes);
    WalkSubtree(
        element, [&](const xmlNode* node) { return writer.Enter(node); },
        [&](const xmlNode* node) { writer.Leave(node); });
    return text;
}

std::string Text(const xmlNode* element) {
    std::string text;
    WalkSubtree(
        element,
        [&](const xmlNode* node) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                text += View(node->content);
            }
            return node->type == XML_ELEMENT_NODE ? Visit::Children : Visit::SkipChildren;
        },
        [](const xmlNode*) {});
    return text;
}

}  // namespace gsweb::html

#include "cleaning/ChapterMarkup.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "MarkupRules.h"
#include "MarkupWriter.h"
#include "PicturePass.h"
#include "common/Errors.h"
#include "common/OneLine.h"
#include "common/Utf8.h"

namespace quill {

namespace {

using namespace markup;

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

struct ContextFree {
    void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};

struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

// Recovering like a browser, never fetching anything, reading the bytes as the UTF-8 they
// are whatever the markup declares, and writing no default document type.
constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                              HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC;

// libxml2 reads an invalid byte as a switch to Latin-1 for the rest of the file and may drop
// what follows a NUL, so both become U+FFFD first.
std::string ParserInput(std::string_view html) {
    std::string text = SanitizeUtf8(html);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out += c == '\0' ? std::string_view("\xEF\xBF\xBD") : std::string_view(&c, 1);
    }
    return out;
}

DocPtr Parse(std::string_view html) {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    const std::string input = ParserInput(html);
    if (input.size() > static_cast<size_t>(INT_MAX)) {
        throw EConvertError("chapter markup of " + std::to_string(input.size()) +
                            " bytes is too large");
    }
    const std::unique_ptr<htmlParserCtxt, ContextFree> context(htmlNewParserCtxt());
    if (!context) {
        throw std::bad_alloc();
    }
    DocPtr doc(htmlCtxtReadMemory(context.get(), input.data(), static_cast<int>(input.size()),
                                  nullptr, "UTF-8", kParseOptions));
    // A halted parser leaves the rest of the chapter out; that must not pass unnoticed.
    if (context->disableSAX != 0) {
        throw EConvertError(
            "chapter markup could not be read whole: elements nested deeper "
            "than " +
            std::to_string(xmlParserMaxDepth) + " levels");
    }
    return doc;
}

const char* Name(const xmlNode* node) {
    return reinterpret_cast<const char*>(node->name);
}

// The kept attributes, each name once: a repeated name would not be well-formed XML.
std::string Attributes(const xmlNode* element, std::string_view writeAs) {
    std::string out;
    std::vector<std::string> written;
    for (const xmlAttr* attribute = element->properties; attribute != nullptr;
         attribute = attribute->next) {
        const std::unique_ptr<xmlChar, XmlFree> value(
            xmlNodeListGetString(element->doc, attribute->children, 1));
        const char* text = value ? reinterpret_cast<const char*>(value.get()) : "";
        std::string kept =
            KeptAttribute(writeAs, reinterpret_cast<const char*>(attribute->name), text);
        const std::string name = kept.substr(0, kept.find('='));
        if (!kept.empty() && std::find(written.begin(), written.end(), name) == written.end()) {
            written.push_back(name);
            out += kept;
        }
    }
    return out;
}

// One walk over the parsed page, without recursion: a hostile page may nest deeply.
class Cleaner {
  public:
    explicit Cleaner(const PictureLookup* pictures) : pictures_(pictures) {}

    ChapterMarkup Run(xmlDoc* doc) {
        xmlNode* node = doc->children;
        while (node != nullptr) {
            if (Visit(node) && node->children != nullptr) {
                node = node->children;
                continue;
            }
            Leave(node);
            while (node->next == nullptr) {
                node = node->parent;
                if (node == nullptr || node == reinterpret_cast<xmlNode*>(doc)) {
                    return Finish();
                }
                Leave(node);
            }
            node = node->next;
        }
        return Finish();
    }

  private:
    // Writes what the node starts; true when its children are to be walked.
    bool Visit(xmlNode* node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            const char* text = reinterpret_cast<const char*>(node->content);
            if (text != nullptr) {
                writer_.Text(text);
                if (inHeading_) {
                    heading_ += text;
                }
            }
            return false;
        }
        if (node->type != XML_ELEMENT_NODE) {
            return false;  // comments, processing instructions, document types
        }
        if (pictures_ != nullptr && std::strcmp(Name(node), "img") == 0) {
            WritePicture(writer_, node, *pictures_);
            return false;
        }
        const ElementRule rule = RuleFor(Name(node));
        if (rule.action == Action::Drop) {
            return false;
        }
        if (headingNode_ == nullptr && std::strcmp(Name(node), "h2") == 0) {
            headingNode_ = node;
            inHeading_ = true;
        }
        const auto attributes = [node](std::string_view writeAs) {
            return Attributes(node, writeAs);
        };
        if (rule.action == Action::Keep && writer_.Open(rule, attributes, node)) {
            node->_private = &kOpened;
        }
        return true;
    }

    void Leave(xmlNode* node) {
        if (node->_private == &kOpened) {
            writer_.Close(node);
        }
        if (node == headingNode_) {
            inHeading_ = false;
        }
    }

    ChapterMarkup Finish() {
        return ChapterMarkup{OneLineLabel(WithoutForbidden(heading_)), writer_.Finish()};
    }

    static inline char kOpened = 0;
    const PictureLookup* pictures_;
    MarkupWriter writer_;
    const xmlNode* headingNode_ = nullptr;
    bool inHeading_ = false;
    std::string heading_;
};

}  // namespace

ChapterMarkup CleanChapter(std::string_view html, const PictureLookup* pictures) {
    const DocPtr doc = Parse(html);
    if (!doc) {
        return {};
    }
    return Cleaner(pictures).Run(doc.get());
}

}  // namespace quill

// Stand-in for the chapter cleaning until the shared one lands: a short whitelist, enough
// for the EPUB edition to be built and checked. Goes away with the real ChapterMarkup.cpp.
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <memory>
#include <set>

#include "assembly/ChapterMarkup.h"

namespace quill {

namespace {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string Escape(const std::string& text, bool attribute) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Text(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

const std::set<std::string> kKept = {"p",  "br", "hr",  "h1",         "h2",   "h3",  "h4",
                                     "h5", "h6", "div", "span",       "pre",  "em",  "strong",
                                     "b",  "i",  "u",   "s",          "sub",  "sup", "small",
                                     "ul", "ol", "li",  "blockquote", "code", "q",   "cite"};
const std::set<std::string> kVoid = {"br", "hr"};
const std::set<std::string> kDropped = {
    "script", "style", "iframe", "object", "embed",    "form",     "img",   "link",    "meta",
    "svg",    "math",  "video",  "audio",  "noscript", "template", "frame", "frameset"};

void Serialize(xmlNode* node, std::string& out) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_TEXT_NODE) {
            out += Escape(Text(node->content), false);
            continue;
        }
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string name = Text(node->name);
        if (kDropped.count(name) != 0) {
            continue;
        }
        if (kKept.count(name) == 0) {
            Serialize(node->children, out);
            continue;
        }
        out += "<" + name;
        const xmlChar* cls = xmlGetProp(node, BAD_CAST "class");
        if (cls != nullptr) {
            out += " class=\"" + Escape(Text(cls), true) + "\"";
            xmlFree(const_cast<xmlChar*>(cls));
        }
        if (kVoid.count(name) != 0) {
            out += "/>";
            continue;
        }
        out += ">";
        Serialize(node->children, out);
        out += "</" + name + ">";
    }
}

xmlNode* FindBody(xmlNode* node) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && Text(node->name) == "body") {
            return node;
        }
        if (xmlNode* found = FindBody(node->children)) {
            return found;
        }
    }
    return nullptr;
}

xmlNode* FindH2(xmlNode* node) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && Text(node->name) == "h2") {
            return node;
        }
        if (xmlNode* found = FindH2(node->children)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

ChapterMarkup CleanChapter(std::string_view html) {
    const std::string wrapped = "<html><body>" + std::string(html) + "</body></html>";
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(wrapped.data(), static_cast<int>(wrapped.size()), nullptr, "UTF-8",
                       HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
    ChapterMarkup markup;
    if (!doc) {
        return markup;
    }
    xmlNode* body = FindBody(xmlDocGetRootElement(doc.get()));
    if (body == nullptr) {
        return markup;
    }
    if (xmlNode* h2 = FindH2(body->children)) {
        xmlChar* text = xmlNodeGetContent(h2);
        markup.heading = Text(text);
        xmlFree(text);
    }
    Serialize(body->children, markup.xhtml);
    return markup;
}

}  // namespace quill

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "HtmlGuard.h"
#include "HtmlTree.h"
#include "common/Utf8.h"
#include "web/Errors.h"

namespace gsweb::html {

namespace {

struct ParserContextFree {
    void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};
using ParserContextPtr = std::unique_ptr<htmlParserCtxt, ParserContextFree>;

// Recovery keeps what a browser would show; NONET keeps a page from making the parser fetch
// anything; without a default doctype, markup() writes back only what the page carried.
// The input is valid UTF-8 without NUL bytes by now. Named no encoding, libxml2 would take
// it for Latin-1; named UTF-8 and told IGNORE_ENC, it keeps to that even where the page
// declares another charset.
// HUGE stays off on purpose: libxml2 then stops at its nesting limit (256), which no story
// page comes near, whereas past that depth its end-tag handling costs time proportional to
// the depth for every stray end tag, so a hostile page could stall the downloader for minutes.
constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                         HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC;

// Above any story page, yet low enough that no page can make the parse slow or its tree
// large (see HtmlGuard.h). A generated 8 MB overview page with 2,000 reader comments carries
// 178,000 tags and 106,000 attributes; a real chapter page a few thousand. Each tag or
// attribute costs the tree up to about 360 bytes, and 8 million attribute pairs take libxml2
// about 0.25 s.
constexpr GuardLimits kGuardLimits{350000, 1000, 8000000};

// libxml2 sets itself up lazily, and that set-up is not thread-safe.
void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

std::string Trimmed(const char* text) {
    std::string message = text == nullptr ? "" : text;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

// A halted parser leaves a tree cut off at the point where it stopped; handing that on
// would silently drop the rest of a chapter, so it is reported instead.
[[noreturn]] void ThrowHalted(const htmlParserCtxt& context) {
    const std::string reason = Trimmed(context.lastError.message);
    if (reason.find("depth") != std::string::npos) {
        throw quill::ValueError("page could not be parsed: elements nested deeper than " +
                                std::to_string(xmlParserMaxDepth) + " levels");
    }
    throw quill::ValueError("page could not be parsed: " +
                            (reason.empty() ? std::string("parser stopped early") : reason));
}

// What libxml2 gets: valid UTF-8 without NUL bytes, copied into `storage` only when the
// page needs mending. An invalid byte would make libxml2 switch to Latin-1 for the rest of
// the page, and a NUL inside a tag can make it drop everything after it. Both are replaced
// by U+FFFD, as a browser does.
std::string_view CleanInput(std::string_view html, std::string& storage) {
    const bool valid = quill::IsValidUtf8(html);
    const bool hasNul = std::memchr(html.data(), 0, html.size()) != nullptr;
    if (valid && !hasNul) {
        return html;
    }
    storage = valid ? std::string(html) : quill::SanitizeUtf8(html);
    if (hasNul) {
        std::string withoutNul;
        withoutNul.reserve(storage.size());
        for (const char c : storage) {
            withoutNul += c == '\0' ? std::string_view("\xEF\xBF\xBD") : std::string_view(&c, 1);
        }
        storage.swap(withoutNul);
    }
    return storage;
}

}  // namespace

XmlDocPtr ParseHtml(std::string_view html) {
    std::string storage;
    const std::string_view utf8 = CleanInput(html, storage);
    if (utf8.size() > static_cast<size_t>(INT_MAX)) {
        throw quill::ValueError("page could not be parsed: " + std::to_string(utf8.size()) +
                                " bytes is too large");
    }
    std::string guardedStorage;
    const Guarded guarded = GuardTextElements(utf8, kGuardLimits, guardedStorage);
    if (guarded.html.data() == guardedStorage.data()) {
        std::string().swap(storage);  // the mended copy is no longer needed
    }
    InitialiseOnce();
    ParserContextPtr context(htmlNewParserCtxt());
    if (!context) {
        throw std::bad_alloc();
    }
    XmlDocPtr doc(htmlCtxtReadMemory(context.get(), guarded.html.data(),
                                     static_cast<int>(guarded.html.size()), nullptr, "UTF-8",
                                     kOptions));
    if (context->disableSAX != 0) {
        ThrowHalted(*context);
    }
    if (!doc) {
        doc.reset(htmlNewDocNoDtD(nullptr, nullptr));
        if (!doc) {
            throw std::bad_alloc();
        }
    }
    if (guarded.renamed) {
        RestoreGuardedNames(doc.get());
    }
    return doc;
}

}  // namespace gsweb::html

// How well three ways of parsing keep a story's text element, and what each costs:
// libxml2's HTML parser alone, the downloader's parse (libxml2 behind its guard pass), and
// gumbo, an HTML 5 parser, whose result is the reference for what the text element holds.
//
//   parser_compare corpus N             N generated chapters with pasted markup: how much
//                                       of gumbo's text element each parser keeps
//   parser_compare time PARSER FILE     one parse of FILE with libxml2 | ours | gumbo, plus
//                                       finding the first pre and its text; prints CPU seconds
//                                       (compare.py runs it under a time limit)

#include <gumbo.h>
#include <libxml/HTMLparser.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "PageGenerator.h"
#include "web/Html.h"

namespace {

constexpr int kLibxml2Options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR |
                                HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC;

// Depth-first, without recursion: pages nest deep.
template <class Node, class Children, class Visit>
void Walk(Node* root, Children children, Visit visit) {
    std::vector<Node*> stack{root};
    while (!stack.empty()) {
        Node* node = stack.back();
        stack.pop_back();
        if (!visit(node)) {
            continue;
        }
        std::vector<Node*> below = children(node);
        stack.insert(stack.end(), below.rbegin(), below.rend());
    }
}

std::string Libxml2PreText(const std::string& page) {
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "UTF-8",
                                    kLibxml2Options);
    std::string text;
    if (doc == nullptr) {
        return text;
    }
    xmlNode* pre = nullptr;
    const auto children = [](xmlNode* node) {
        std::vector<xmlNode*> list;
        for (xmlNode* child = node->children; child != nullptr; child = child->next) {
            list.push_back(child);
        }
        return list;
    };
    Walk(reinterpret_cast<xmlNode*>(doc), children, [&](xmlNode* node) {
        if (pre == nullptr && node->type == XML_ELEMENT_NODE &&
            std::strcmp(reinterpret_cast<const char*>(node->name), "pre") == 0) {
            pre = node;
        }
        return pre == nullptr;
    });
    if (pre != nullptr) {
        Walk(pre, children, [&](xmlNode* node) {
            if (node->type == XML_TEXT_NODE) {
                text += reinterpret_cast<const char*>(node->content);
            }
            return true;
        });
    }
    xmlFreeDoc(doc);
    return text;
}

std::string OurPreText(const std::string& page) {
    const std::optional<gsweb::Element> pre = gsweb::Document::Parse(page).select_one("pre");
    return pre ? pre->get_text() : std::string();
}

std::string GumboPreText(const std::string& page) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, page.data(), page.size());
    const auto children = [](GumboNode* node) {
        std::vector<GumboNode*> list;
        if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_DOCUMENT) {
            const GumboVector& below = node->type == GUMBO_NODE_ELEMENT ? node->v.element.children
                                                                        : node->v.document.children;
            for (unsigned i = 0; i < below.length; ++i) {
                list.push_back(static_cast<GumboNode*>(below.data[i]));
            }
        }
        return list;
    };
    GumboNode* pre = nullptr;
    Walk(output->document, children, [&](GumboNode* node) {
        if (pre == nullptr && node->type == GUMBO_NODE_ELEMENT &&
            node->v.element.tag == GUMBO_TAG_PRE) {
            pre = node;
        }
        return pre == nullptr;
    });
    std::string text;
    if (pre != nullptr) {
        Walk(pre, children, [&](GumboNode* node) {
            if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
                node->type == GUMBO_NODE_CDATA) {
                text += node->v.text.text;
            }
            return true;
        });
    }
    gumbo_destroy_output(&options, output);
    return text;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The share of the reference's words that `text` holds in the same order, and whether it
// holds words the reference does not (text from outside the element).
struct Kept {
    double share;
    bool extra;
};

Kept Compare(const std::string& text, const std::string& reference) {
    const std::vector<std::string> got = Words(text), want = Words(reference);
    size_t matched = 0;
    for (size_t i = 0; i < got.size() && matched < want.size(); ++i) {
        matched += got[i] == want[matched];
    }
    return {want.empty() ? 1.0 : static_cast<double>(matched) / want.size(), got.size() > matched};
}

int Corpus(int pages) {
    struct Tally {
        const char* name;
        std::function<std::string(const std::string&)> parse;
        int whole = 0, empty = 0, lostHalf = 0, lostSome = 0, extra = 0;
    };
    std::vector<Tally> tallies{{"libxml2 alone", Libxml2PreText}, {"ours", OurPreText}};
    for (int seed = 1; seed <= pages; ++seed) {
        const std::string page = bench::PastedMarkupChapter(static_cast<uint32_t>(seed));
        const std::string reference = GumboPreText(page);
        for (Tally& tally : tallies) {
            const Kept kept = Compare(tally.parse(page), reference);
            tally.whole += kept.share == 1.0;
            tally.empty += kept.share == 0.0;
            tally.lostHalf += kept.share < 0.5;
            tally.lostSome += kept.share < 1.0;
            tally.extra += kept.extra;
        }
    }
    std::printf("%d generated chapters, text element compared with gumbo's (HTML 5)\n", pages);
    std::printf("%-14s %8s %8s %10s %10s %12s\n", "parser", "all text", "empty", "lost >1/2",
                "lost some", "extra text");
    for (const Tally& tally : tallies) {
        std::printf("%-14s %8d %8d %10d %10d %12d\n", tally.name, tally.whole, tally.empty,
                    tally.lostHalf, tally.lostSome, tally.extra);
    }
    return 0;
}

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

int Time(const std::string& parser, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const double start = CpuSeconds();
    std::string outcome;
    try {
        const std::string text = parser == "gumbo"     ? GumboPreText(page)
                                 : parser == "libxml2" ? Libxml2PreText(page)
                                                       : OurPreText(page);
        outcome = "ok " + std::to_string(text.size());
    } catch (const std::exception& error) {
        outcome = std::string("error ") + error.what();
    }
    std::printf("%.6f %s\n", CpuSeconds() - start, outcome.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "corpus") == 0) {
        return Corpus(std::atoi(argv[2]));
    }
    if (argc == 4 && std::strcmp(argv[1], "time") == 0) {
        return Time(argv[2], argv[3]);
    }
    std::cerr << "usage: parser_compare corpus N | time libxml2|ours|gumbo FILE\n";
    return 2;
}

#include "PageGenerator.h"

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace bench {

namespace {

// mt19937's output is fixed by the standard, unlike the distributions built on it.
class Words {
  public:
    explicit Words(uint32_t seed) : random_(seed) {}

    size_t Below(size_t n) { return random_() % n; }

    std::string Hex(size_t digits) {
        std::string hex;
        for (size_t i = 0; i < digits; ++i) {
            hex += "0123456789abcdef"[Below(16)];
        }
        return hex;
    }

    // A sentence with the inline markup, entities and non-ASCII text that story text has.
    std::string Sentence(size_t words) {
        static constexpr std::string_view kWords[] = {"the",
                                                      "orchard",
                                                      "glass",
                                                      "night",
                                                      "train",
                                                      "she",
                                                      "said",
                                                      "and",
                                                      "river",
                                                      "light",
                                                      "caf\xc3\xa9",
                                                      "stra\xc3\x9f"
                                                      "e",
                                                      "\xe2\x80\x9cwait\xe2\x80\x9d",
                                                      "never",
                                                      "&amp;",
                                                      "door",
                                                      "\xe2\x80\x94",
                                                      "quiet",
                                                      "&nbsp;",
                                                      "him",
                                                      "under",
                                                      "lamps",
                                                      "of",
                                                      "winter",
                                                      "Mara",
                                                      "whispered",
                                                      "\xc3\xa9t\xc3\xa9"};
        std::string text;
        for (size_t i = 0; i < words; ++i) {
            const std::string_view word = kWords[Below(std::size(kWords))];
            const size_t style = Below(40);
            text += i == 0 ? "" : " ";
            if (style == 0) {
                text += "<b>" + std::string(word) + "</b>";
            } else if (style == 1) {
                text += "<i>" + std::string(word) + "</i>";
            } else {
                text += word;
            }
        }
        return text + ".";
    }

  private:
    std::mt19937 random_;
};

std::string Head(Words& words, const std::string& title, size_t dataBytes) {
    std::string head = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    head += "<title>" + title + " | Quillby</title>\n";
    for (int i = 0; i < 20; ++i) {
        head += "<meta property=\"og:k" + std::to_string(i) + "\" content=\"" + words.Sentence(6) +
                "\">\n<link rel=\"preload\" href=\"/static/" + words.Hex(12) +
                ".js\" as=\"script\">\n";
    }
    head += "<style>";
    for (int i = 0; i < 300; ++i) {
        head += ".c" + std::to_string(i) + " > a:hover { color: #" + words.Hex(6) + "; }\n";
    }
    head += "</style>\n<script type=\"application/ld+json\">{\"@type\":\"Book\",\"headline\":\"" +
            title +
            "\",\"author\":{\"name\":\"Mara Lindqvist\"},\"image\":\"https://img.quillby."
            "example/cover/881.jpg\",\"description\":\"A story of \\\"glass\\\" & <light>.\"}"
            "</script>\n<script>window.__DATA__ = {\"story\":{\"id\":881,\"parts\":[";
    for (size_t part = 0; head.size() < dataBytes; ++part) {
        head += "{\"id\":" + std::to_string(1000 + part) + ",\"title\":\"" + words.Hex(20) +
                "\",\"pages\":" + std::to_string(1 + words.Below(9)) + ",\"text\":\"" +
                words.Hex(40) + " < & >\"},";
    }
    head += "{}]}};</script>\n</head>\n";
    return head;
}

std::string TableOfContents(Words& words, const std::string& listClass, size_t entries) {
    std::string toc = "<ul class=\"" + listClass + "\">\n";
    for (size_t i = 0; i < entries; ++i) {
        // Every tenth entry repeats an earlier one, as the site's lists do.
        const size_t part = i % 10 == 9 ? i - 5 : i;
        toc += "  <li class=\"part\"><a href=\"/881-part-" + std::to_string(part) +
               "\" class=\"part-link\"><span class=\"title\">Part " + std::to_string(part) +
               "</span> <span class=\"date\">Jan " + std::to_string(1 + words.Below(28)) +
               "</span></a></li>\n";
    }
    return toc + "</ul>\n";
}

std::string Comment(Words& words, size_t i) {
    return "<div class=\"comment c" + std::to_string(i % 300) + "\" id=\"cm" + std::to_string(i) +
           "\"><img src=\"/avatar/" + words.Hex(8) + ".png\" alt=\"\" width=\"32\">" +
           "<a class=\"user\" href=\"/user/" + words.Hex(6) + "\">reader" + std::to_string(i) +
           "</a> <time datetime=\"2024-01-01\">2 days ago</time><!-- c -->\n<p>" +
           words.Sentence(12 + words.Below(30)) + "<br>" + words.Sentence(8) + "</p></div>\n";
}

std::string Paragraphs(Words& words, size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        text += "<p data-p-id=\"" + words.Hex(32) + "\">" + words.Sentence(20 + words.Below(60)) +
                "</p>\n";
    }
    return text;
}

}  // namespace

std::string StoryPage(size_t bytes) {
    Words words(881);
    std::string page = Head(words, "The Glass Orchard", bytes / 3);
    page += "<body class=\"story\">\n<header><nav>";
    for (int i = 0; i < 50; ++i) {
        page += "<a href=\"/browse/" + std::to_string(i) + "\">Genre " + std::to_string(i) + "</a>";
    }
    page += "</nav></header>\n<main>\n<h1 class=\"h2 story-title\">The Glass Orchard</h1>\n";
    page += "<div class=\"description\"><pre>" + Paragraphs(words, 4000) + "</pre></div>\n";
    page += "<div class=\"story-parts\">\n" + TableOfContents(words, "parts", 400) + "</div>\n";
    page += "<aside>" + TableOfContents(words, "table-of-contents", 400) + "</aside>\n";
    page += "<section class=\"comments\">\n";
    for (size_t i = 0; page.size() < bytes - 200; ++i) {
        page += Comment(words, i);
    }
    return page + "</section>\n</main>\n<footer>&copy; Quillby</footer>\n</body>\n</html>\n";
}

std::string ChapterPage(size_t bytes) {
    Words words(4);
    std::string page = Head(words, "Night Trains", 4000);
    page += "<body>\n<header><h1 class=\"h2\">Chapter 4: Night Trains</h1>\n";
    page +=
        TableOfContents(words, "table-of-contents", 30) + "</header>\n<main><div class=\"page\">";
    page += "<pre>" + Paragraphs(words, bytes - page.size() - 200) + "</pre>";
    return page + "</div></main>\n</body>\n</html>\n";
}

std::string UnclosedTagsPage(size_t bytes) {
    Words words(3);
    static constexpr std::string_view kNames[] = {"div",   "span", "b", "i",  "p",    "li",
                                                  "table", "td",   "a", "em", "font", "section"};
    std::string page;
    while (page.size() < bytes) {
        page += "<" + std::string(kNames[words.Below(std::size(kNames))]);
        if (words.Below(3) == 0) {
            page += " class=\"c" + std::to_string(words.Below(50)) + "\"";
        }
        page += words.Below(4) == 0 ? ">text " : ">";
    }
    return page;
}

std::string DeepPage(size_t depth) {
    std::string page;
    page.reserve(depth * 5 + 32);
    for (size_t i = 0; i < depth; ++i) {
        page += "<div>";
    }
    return page + "<pre>deep</pre>";
}

}  // namespace bench

namespace bench {

namespace {

std::string ListItems(Words& words, size_t items) {
    std::string list;
    for (size_t i = 0; i < items; ++i) {
        list += "<li>" + words.Sentence(4 + words.Below(8));
        list += words.Below(3) == 0 ? "\n" : "</li>\n";  // end tags are optional, and left out
    }
    return list;
}

std::string StatTable(Words& words) {
    std::string table = words.Below(2) ? "<table border=\"1\">\n" : "<table><tbody>\n";
    for (size_t row = 0, rows = 2 + words.Below(5); row < rows; ++row) {
        table += "<tr><td>" + words.Sentence(2) + "</td><td>" + std::to_string(words.Below(99)) +
                 (words.Below(2) ? "</td></tr>\n" : "\n");
    }
    return table + (words.Below(4) ? "</table>" : "</tbody></table>");
}

// One piece of pasted markup of the given kind.
std::string Pasted(Words& words, size_t kind) {
    switch (kind) {
        case 0:
            return "<ul>\n" + ListItems(words, 2 + words.Below(5)) + "</ul>";
        case 1:
            return "<ol>\n" + ListItems(words, 2 + words.Below(5)) + "</ol>";
        case 2:
            return StatTable(words);
        case 3:
            return "<form action=\"/poll\"><input type=\"radio\" name=\"v\"> " + words.Sentence(3) +
                   "<br><input type=\"radio\" name=\"v\"> " + words.Sentence(3) + "</form>";
        case 4:
            return "<dl><dt>" + words.Sentence(1) + "<dd>" + words.Sentence(9) + "</dl>";
        case 5:
            return "<pre>  " + words.Sentence(6) + "\n    " + words.Sentence(5) + "</pre>";
        case 6:
            return "<div style=\"margin-left:2em\"><p>" + words.Sentence(14) + "</p>" +
                   (words.Below(2) ? "</div>" : "");
        case 7:
            return "<p>" + words.Sentence(10) + "</p></body></html>";
        case 8:
            return "<fieldset><legend>" + words.Sentence(2) + "</legend>" + words.Sentence(8) +
                   "</fieldset>";
        case 9:
            return "<blockquote>" + words.Sentence(16) + "</blockquote><hr><center><img src=\"/i/" +
                   words.Hex(8) + ".jpg\" alt=\"\"></center>";
        default:
            return "<h3>" + words.Sentence(3) + "</h3><span style=\"color:red\">" +
                   words.Sentence(5) + "</span></font>";
    }
}

// The page's head, `count` copies of `unit`, then one text run up to `bytes` (the filler
// that costs a parser least), then the tail.
std::string Filled(size_t bytes, const std::string& head, const std::string& unit, size_t count,
                   const std::string& tail) {
    std::string page = head;
    page.reserve(bytes);
    for (size_t i = 0; i < count && page.size() + unit.size() + tail.size() <= bytes; ++i) {
        page += unit;
    }
    static const std::string kFiller = "The sea kept its counsel. ";
    while (page.size() + kFiller.size() + tail.size() <= bytes) {
        page += kFiller;
    }
    return page + tail;
}

constexpr char kHead[] = "<html><body><pre>";
constexpr char kTail[] = "</pre></body></html>";

}  // namespace

std::string PastedMarkupChapter(uint32_t seed) {
    Words words(seed);
    std::string page = Head(words, "Night Trains", 2000);
    page += "<body>\n<header><h1 class=\"h2\">Chapter " + std::to_string(seed) + "</h1>\n";
    page += TableOfContents(words, "table-of-contents", 12) + "</header>\n";
    page += "<main><div class=\"page\"><pre>";
    // Most chapters are plain prose; the others carry one to three kinds of pasted markup.
    const size_t kinds = words.Below(5) < 2 ? 0 : 1 + words.Below(3);
    std::vector<size_t> chosen;
    for (size_t k = 0; k < kinds; ++k) {
        chosen.push_back(words.Below(11));
    }
    for (size_t paragraph = 0, count = 8 + words.Below(20); paragraph < count; ++paragraph) {
        page += "<p data-p-id=\"" + words.Hex(32) + "\">" + words.Sentence(15 + words.Below(40)) +
                "</p>\n";
        if (!chosen.empty() && words.Below(4) == 0) {
            page += Pasted(words, chosen[words.Below(chosen.size())]) + "\n";
        }
    }
    page +=
        "</pre></div></main>\n<footer><ul class=\"links\"><li><a href=\"/about\">About</a>"
        "<li><a href=\"/help\">Help</a></ul><p>Site footer text</p></footer>\n";
    return page + "</body>\n</html>\n";
}

// The shapes below stay just inside the downloader's limits for one page (350,000 tags and
// attributes, 8 million attribute pairs, 256 levels), so that each is parsed and formatted
// in full: the costliest work a page can ask for.

std::string ManyEmptyElementsPage(size_t bytes) {
    return Filled(bytes, kHead, "<b></b>", 174000, kTail);
}

std::string ManyAttributesPage(size_t bytes) {
    std::string tag = "<i";
    for (int i = 0; i < 100; ++i) {
        tag += " a" + std::to_string(i) + "=1";
    }
    return Filled(bytes, kHead, tag + ">x</i>", 1600, kTail);
}

std::string DeepFormattingPage(size_t bytes) {
    static constexpr std::string_view kTags[] = {"b", "i", "u", "em", "strong", "s"};
    std::string block;
    for (size_t i = 0; i < 250; ++i) {
        block += "<" + std::string(kTags[i % std::size(kTags)]) + ">";
    }
    block += "w";
    for (size_t i = 250; i-- > 0;) {
        block += "</" + std::string(kTags[i % std::size(kTags)]) + ">";
    }
    return Filled(bytes, kHead, block, 340000 / 500, kTail);
}

std::string IndentedBreaksPage(size_t bytes) {
    std::string head = kHead;
    for (int i = 0; i < 250; ++i) {
        head += "<span>";
    }
    return Filled(bytes, head, "w<br>", 349000, kTail);
}

std::string NestedLinksStoryPage(size_t bytes) {
    std::string head =
        "<html><head><script type=\"application/ld+json\">{\"headline\":\"t\",\"author\":"
        "{\"name\":\"a\"},\"image\":\"i\",\"description\":\"d\"}</script></head><body>"
        "<div class=\"story-parts\"><ul><li>";
    for (int i = 0; i < 120; ++i) {
        head += "<a href=\"/881-part\"><b>";
    }
    return Filled(bytes, head, "", 0, "</li></ul></div></body></html>");
}

std::string PlainTextPage(size_t bytes) {
    return Filled(bytes, kHead, "", 0, kTail);
}

}  // namespace bench

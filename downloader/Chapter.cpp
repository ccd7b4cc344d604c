#include <iostream>

#include "downloader/QuillObj.h"
#include "downloader/SiteData.h"
#include "downloader/Text.h"
#include "web/Errors.h"
#include "web/Failure.h"
#include "web/Web.h"

namespace quill {

namespace {

// Only the site's own data counts: story text that happens to read like it (a "pages" key
// in a paragraph) stands in the page's text, never in a script element.
int ChapterPageCount(const gsweb::Document& firstView, const std::string& url) {
    for (const gsweb::Element& script : firstView.select("script")) {
        if (const std::optional<nlohmann::json> data = PrefetchedData(script.get_text())) {
            return PageCount(*data, url);
        }
    }
    throw KeyError("no page count (window.prefetched) in " + url);
}

std::string Heading(const gsweb::Document& firstView, const std::string& url) {
    const std::optional<gsweb::Element> heading = firstView.select_one("h1.h2");
    if (!heading) {
        throw KeyError("no chapter heading (h1.h2) in " + url);
    }
    return Strip(heading->get_text());
}

std::string PageText(const std::string& formatted) {
    return ReplaceAll(ReplaceAll(formatted, "<pre>", ""), "</pre>", "");
}

}  // namespace

std::string QuillObj::get_page(const std::string& text_url) {
    OperationScope scope("get_page(" + text_url + ")");
    const gsweb::Document page = gsweb::get_soup(text_url);
    const std::optional<gsweb::Element> pre = page.select_one("pre");
    if (!pre) {
        throw KeyError("no text (pre) on page " + text_url);
    }
    return pre->prettify();
}

Chapter QuillObj::get_chapter(const std::string& url) {
    OperationScope scope("get_chapter(" + url + ")");
    ++chapterCount;
    const gsweb::Document firstView = gsweb::get_soup(url);
    std::cout << "Current url: " << url << std::endl;
    const int pages = ChapterPageCount(firstView, url);

    Chapter chapter;
    chapter.heading = Heading(firstView, url);
    chapter.entryName =
        ReplaceAll(chapter.heading, " ", "-") + "-" + std::to_string(chapterCount) + ".xhtml";
    // The heading is text: a "<" in it must not open a tag in the chapter file.
    std::string document = "<h2>" + EscapeText(chapter.heading) + "</h2>\n";
    for (int k = 1; k <= pages; ++k) {
        document += "<div class=\"page\">\n";
        document += PageText(get_page(url + "/page/" + std::to_string(k)));
        document += "</div>\n";
    }
    chapter.document = std::move(document);
    return chapter;
}

void QuillObj::test_page(const std::string& text_url) {
    std::cout << PageText(get_page(text_url)) << std::endl;
}

}  // namespace quill

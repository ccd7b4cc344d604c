#include <iostream>

#include "common/Text.h"
#include "downloader/Pages.h"
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
        if (const std::optional<int> pages = PageCountIn(script.get_text(), url)) {
            return *pages;
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

// The page's formatted text element, failing as soon as it would be larger than `maxBytes`.
std::string FormattedTextElement(const gsweb::Document& page, const std::string& url,
                                 size_t maxBytes) {
    const std::optional<gsweb::Element> pre = page.select_one("pre");
    if (!pre) {
        throw KeyError("no text (pre) on page " + url);
    }
    return pre->prettify(maxBytes);
}

// A page's text for the chapter file, fetched; the parsed page is gone when this returns.
std::string FetchPageText(const std::string& text_url, size_t maxBytes) {
    OperationScope scope("get_page(" + text_url + ")");
    return ReadPageText(gsweb::get_soup(text_url), text_url, maxBytes);
}

[[noreturn]] void ThrowTooLarge(const std::string& url, int page, int pages) {
    throw ValueError("the chapter " + url + " is larger than " +
                     std::to_string(kMaxChapterBytes >> 20) + " MB (stopped at page " +
                     std::to_string(page) + " of " + std::to_string(pages) + ")");
}

}  // namespace

FirstView ReadFirstView(const gsweb::Document& view, const std::string& url) {
    return {ChapterPageCount(view, url), Heading(view, url)};
}

std::string ReadPageText(const gsweb::Document& page, const std::string& url, size_t maxBytes) {
    return PageText(FormattedTextElement(page, url, maxBytes));
}

std::string QuillObj::get_page(const std::string& text_url) {
    OperationScope scope("get_page(" + text_url + ")");
    return FormattedTextElement(gsweb::get_soup(text_url), text_url, kMaxChapterBytes);
}

Chapter QuillObj::get_chapter(const std::string& url) {
    OperationScope scope("get_chapter(" + url + ")");
    ++chapterCount;
    // The parsed first view goes before the pages are fetched: two parsed pages at once
    // would double the job's peak memory.
    const FirstView firstView = [&] {
        const gsweb::Document view = gsweb::get_soup(url);
        std::cout << "Current url: " << url << std::endl;
        return ReadFirstView(view, url);
    }();
    const int pages = firstView.pages;
    Chapter chapter;
    chapter.heading = firstView.heading;
    chapter.entryName =
        ReplaceAll(chapter.heading, " ", "-") + "-" + std::to_string(chapterCount) + ".xhtml";
    // The heading is text: a "<" in it must not open a tag in the chapter file.
    std::string document = "<h2>" + EscapeText(chapter.heading) + "</h2>\n";
    constexpr std::string_view kOpen = "<div class=\"page\">\n", kClose = "</div>\n";
    for (int k = 1; k <= pages; ++k) {
        // Each page may fill what is left, so a chapter stops at the limit without ever
        // holding much more than it.
        const size_t used = document.size() + kOpen.size() + kClose.size();
        if (used > kMaxChapterBytes) {
            ThrowTooLarge(url, k, pages);
        }
        std::string text;
        try {
            text = FetchPageText(url + "/page/" + std::to_string(k), kMaxChapterBytes - used);
        } catch (const SizeLimitError&) {
            ThrowTooLarge(url, k, pages);
        }
        document.append(kOpen).append(text).append(kClose);
    }
    chapter.document = std::move(document);
    return chapter;
}

void QuillObj::test_page(const std::string& text_url) {
    std::cout << PageText(get_page(text_url)) << std::endl;
}

}  // namespace quill

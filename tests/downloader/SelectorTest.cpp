#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/Errors.h"
#include "web/Html.h"
#include "web/Selector.h"

namespace {

using gsweb::Document;
using gsweb::Element;
using gsweb::Selector;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A chapter's first view: heading, table of contents, embedded data, and enough look-alike
// markup around them that a loose matcher picks the wrong elements.
constexpr char kChapterView[] = R"(<!DOCTYPE html>
<html>
<head>
  <script type="application/ld+json">{"headline":"Night Trains"}</script>
  <script type="text/javascript">window.prefetched = {"id":77,"pages":3,"words":4100};</script>
  <script type="application/json">{"not":"this one"}</script>
</head>
<body>
  <header class="site"><h1 class="logo">Quillby</h1></header>
  <main id="story" class="chapter main">
    <h2 class="h2">Not the heading</h2>
    <h1 class="title h2">Chapter 4: Night Trains</h1>
    <h1 class="H2">Wrong case</h1>
    <div class="toc-wrapper">
      <ul class="table-of-contents">
        <li id="c1"><a href="/s/1-arrival" class="on x" data-id="1">Arrival</a></li>
        <li id="c2"><a href="/s/2-platform" data-id="2">Platform</a></li>
        <li id="c3"><span><a href="/s/3-nested" data-id="3">Nested</a></span></li>
      </ul>
      <ul class="table-of-contents-old"><li><a href="/old">Old</a></li></ul>
    </div>
    <div class="story-parts"><ul><li><a href="/s/1-arrival" id="p1" rel>Arrival</a></li></ul></div>
    <pre><p data-p-id="aa">First</p></pre>
    <pre id="second"><p>Second</p></pre>
  </main>
</body>
</html>
)";

std::vector<std::string> Texts(const std::vector<Element>& elements) {
    std::vector<std::string> texts;
    for (const Element& element : elements) {
        texts.push_back(element.get_text());
    }
    return texts;
}

std::vector<std::string> Names(const std::vector<Element>& elements) {
    std::vector<std::string> names;
    for (const Element& element : elements) {
        names.push_back(element.name());
    }
    return names;
}

class SelectorMatch : public ::testing::Test {
  protected:
    std::vector<std::string> TextsOf(const std::string& selector) const {
        return Texts(page_.select(selector));
    }
    const Document page_ = Document::Parse(kChapterView);
};

TEST_F(SelectorMatch, TheDownloadersSelectors) {
    EXPECT_THAT(TextsOf(R"(script[type="application/ld+json"])"),
                ElementsAre(R"({"headline":"Night Trains"})"));
    EXPECT_THAT(TextsOf(".story-parts ul li a"), ElementsAre("Arrival"));
    EXPECT_THAT(TextsOf("ul.table-of-contents a"), ElementsAre("Arrival", "Platform", "Nested"));
    EXPECT_THAT(TextsOf("h1.h2"), ElementsAre("Chapter 4: Night Trains"));
    EXPECT_THAT(TextsOf("pre"), ElementsAre("First", "Second"));
}

TEST_F(SelectorMatch, SimpleSelectorKinds) {
    EXPECT_EQ(page_.select("li").size(), 5u);
    EXPECT_THAT(TextsOf(".h2"), ElementsAre("Not the heading", "Chapter 4: Night Trains"));
    EXPECT_THAT(TextsOf("#c2"), ElementsAre("Platform"));
    EXPECT_THAT(TextsOf("a[rel]"), ElementsAre("Arrival"));
    EXPECT_THAT(TextsOf("[data-id='3']"), ElementsAre("Nested"));
    EXPECT_THAT(TextsOf("a[data-id=\"2\"]"), ElementsAre("Platform"));
    EXPECT_THAT(Names(page_.select("script[type=application-json]")), ElementsAre());
    EXPECT_THAT(TextsOf("[ type = text-javascript ]"), ElementsAre());
    EXPECT_THAT(TextsOf("a.on.x#p1, a.x.on[href='/s/1-arrival'][data-id]"), ElementsAre("Arrival"));
    EXPECT_THAT(TextsOf("a.on.missing"), ElementsAre());
    EXPECT_THAT(Names(page_.select("main > *")),
                ElementsAre("h2", "h1", "h1", "div", "div", "pre", "pre"));
}

TEST_F(SelectorMatch, NamesIgnoreCaseValuesDoNot) {
    EXPECT_EQ(page_.select("UL.table-of-contents A[HREF]").size(), 3u);
    EXPECT_THAT(TextsOf("h1.H2"), ElementsAre("Wrong case"));
    EXPECT_THAT(TextsOf("[id=C2]"), ElementsAre());
    EXPECT_THAT(TextsOf("ul.Table-of-contents"), ElementsAre());
}

TEST_F(SelectorMatch, DescendantAndChildCombinators) {
    EXPECT_THAT(TextsOf("ul.table-of-contents > li > a"), ElementsAre("Arrival", "Platform"));
    EXPECT_THAT(TextsOf("ul.table-of-contents li a"), ElementsAre("Arrival", "Platform", "Nested"));
    EXPECT_THAT(TextsOf("li > span a"), ElementsAre("Nested"));
    EXPECT_THAT(TextsOf("main > pre > p"), ElementsAre("First", "Second"));
    EXPECT_THAT(TextsOf("body > pre"), ElementsAre());
    EXPECT_THAT(TextsOf("html main div ul li > a"),
                ElementsAre("Arrival", "Platform", "Old", "Arrival"));
    // Every possible chain is tried, not only the nearest ancestor matching the first part.
    const Document nested = Document::Parse(
        "<div class=\"x\"><div><p class=\"y\"><span>hit</span></p></div></div>"
        "<div><div class=\"x\"><i><p><span>miss</span></p></i></div></div>");
    EXPECT_THAT(Texts(nested.select("div.x > div p > span")), ElementsAre("hit"));
    EXPECT_THAT(Texts(nested.select("div.x div > p > span")), ElementsAre("hit"));
    EXPECT_THAT(Texts(nested.select(".x span")), ElementsAre("hit", "miss"));
}

TEST_F(SelectorMatch, CommaListsGiveDocumentOrderWithoutRepeats) {
    EXPECT_THAT(Names(page_.select("a, li, ul.table-of-contents li a, li#c1")),
                ElementsAre("li", "a", "li", "a", "li", "a", "li", "a", "li", "a"));
    EXPECT_THAT(TextsOf("#second p , h2"), ElementsAre("Not the heading", "Second"));
}

TEST_F(SelectorMatch, SelectOneIsTheFirstInDocumentOrder) {
    EXPECT_EQ(page_.select_one("pre")->get_text(), "First");
    EXPECT_EQ(page_.select_one("#second, pre")->get_text(), "First");
    EXPECT_FALSE(page_.select_one("table"));
}

TEST_F(SelectorMatch, ElementSelectSearchesBelowItButLetsAncestorsMatch) {
    const Element toc = *page_.select_one("ul.table-of-contents");
    EXPECT_THAT(Names(toc.select("ul, li")), ElementsAre("li", "li", "li"));
    EXPECT_THAT(Texts(toc.select("main ul li > a")), ElementsAre("Arrival", "Platform"));
    EXPECT_THAT(Texts(toc.select("div > ul > li a")), ElementsAre("Arrival", "Platform", "Nested"));
    EXPECT_EQ(toc.select_one("#c3 a")->attr("href"), "/s/3-nested");
    EXPECT_FALSE(toc.select_one("pre"));
}

TEST(Selector, CompiledOnceUsedOnManyDocuments) {
    const Selector links = Selector::Parse("ul.table-of-contents a");
    EXPECT_EQ(links.text(), "ul.table-of-contents a");
    const Document one = Document::Parse(kChapterView);
    const Document two =
        Document::Parse("<ul class=\"table-of-contents\"><li><a href=\"/x\">X</a></li></ul>");
    EXPECT_EQ(one.select(links).size(), 3u);
    EXPECT_THAT(Texts(two.select(links)), ElementsAre("X"));
    EXPECT_EQ(two.select_one(links)->attr("href"), "/x");
}

TEST(Selector, LongListsAndChainsBeyondOneMachineWord) {
    std::string page, chain, list;
    for (int i = 0; i < 100; ++i) {
        page += "<div class=\"d" + std::to_string(i) + "\">";
        chain += (i == 0 ? "" : i % 2 ? " > " : " ") + std::string(".d") + std::to_string(i);
        list += ".none" + std::to_string(i) + ", ";
    }
    page += "<a>end</a>";
    const Document document = Document::Parse(page);
    EXPECT_THAT(Texts(document.select(chain + " a")), ElementsAre("end"));
    EXPECT_THAT(Texts(document.select(list + "div.d99 > a")), ElementsAre("end"));
    EXPECT_EQ(document.select(list + ".d98 > a").size(), 0u);
}

struct Unsupported {
    const char* selector;
    const char* reason;
};

class SelectorRejects : public ::testing::TestWithParam<Unsupported> {};

TEST_P(SelectorRejects, WithAMessageNamingSelectorAndReason) {
    const Unsupported& bad = GetParam();
    try {
        Selector::Parse(bad.selector);
        FAIL() << "accepted " << bad.selector;
    } catch (const quill::SelectorError& error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("\"") + bad.selector + "\""));
        EXPECT_THAT(error.what(), HasSubstr(bad.reason));
        EXPECT_EQ(error.kind(), "SelectorError");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Selector, SelectorRejects,
    ::testing::Values(
        Unsupported{"", "empty selector"}, Unsupported{"   ", "empty selector"},
        Unsupported{"a,,b", "empty selector in the list"},
        Unsupported{"a, ", "empty selector in the list"}, Unsupported{"a:hover", "pseudo-classes"},
        Unsupported{"li:nth-child(2) a", "pseudo-classes"},
        Unsupported{"p::before", "pseudo-classes"}, Unsupported{"a[href^='/s']", "'^='"},
        Unsupported{"a[class~=x]", "'~='"}, Unsupported{"a[href*=x]", "'*='"},
        Unsupported{"h1 + p", "'+' combinator"}, Unsupported{"h1~p", "'~' combinator"},
        Unsupported{"svg|a", "namespaces"}, Unsupported{"a[href", "unbalanced '['"},
        Unsupported{"a]", "unbalanced ']'"}, Unsupported{"a[x='y]", "unterminated string"},
        Unsupported{"a[x=y i]", "attribute flags"},
        Unsupported{"ul >", "'>' combinator without a selector"},
        Unsupported{"> a", "missing before '>'"}, Unsupported{"#", "expected an id"},
        Unsupported{"a.", "expected a class"},
        Unsupported{"[data-x=]", "expected an attribute value"}, Unsupported{"a\\:b", "escapes"},
        Unsupported{"[a]b", "unexpected character 'b'"},
        Unsupported{"a*", "unexpected character '*'"}));

}  // namespace

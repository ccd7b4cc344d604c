#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/tree.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "HtmlTree.h"
#include "web/Errors.h"
#include "web/Html.h"

namespace {

using gsweb::Document;
using gsweb::Element;
using gsweb::ElementHash;
using ::testing::HasSubstr;

// A story's overview page as the site serves it: metadata in ld+json, a table of contents
// with a repeated link, and a sidebar that repeats one chapter.
constexpr char kStoryPage[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>The Glass Orchard | Quillby</title>
  <script type="application/ld+json">{"@type":"Book","headline":"The Glass Orchard & <Other> Tales","author":{"name":"Mara Lindqvist"},"image":"https://img.example/c/881.jpg","description":"Élodie's \"orchard\"."}</script>
  <style>.story-parts > ul li a { color: #333; }</style>
</head>
<body class="story">
  <!-- navigation -->
  <nav><a href="/home">Home</a></nav>
  <div class="story-parts">
    <ul>
      <li><a href="/881-part-one">Part One</a></li>
      <li><a href="/882-part-two">Part Two &amp; Three</a></li>
      <li><a href="/881-part-one">Part One</a></li>
    </ul>
  </div>
  <aside><ul class="table-of-contents wide"><li><a href="/881-part-one">Part One</a></li></ul></aside>
</body>
</html>
)";

// One page of a chapter: the paragraphs of the text inside a pre element.
constexpr char kTextPage[] =
    "<html><body><div class=\"page\"><pre><p data-p-id=\"5f1c0a\">Der Stra\xc3\x9f"
    "e entlang &amp; <b>weiter</b>,\xc2\xa0sagte sie.</p>\n"
    "<p data-p-id=\"77b2e9\">Zeile<br>zwei</p>   \n</pre></div></body></html>";

Document Parse(const std::string& html) {
    return Document::Parse(html);
}

Element One(const Document& document, const std::string& selector) {
    std::optional<Element> element = document.select_one(selector);
    if (!element) {
        throw std::runtime_error("no element matches " + selector);
    }
    return *element;
}

// ---- parsing ----

TEST(HtmlParse, InvalidUtf8IsReplacedAndTheRestOfThePageSurvives) {
    const std::string page =
        "<html><body><p>caf\xe9 \xff\xfe end</p><pre>kept \xc3\xa9</pre><p>after</p></body></html>";
    const Document document = Parse(page);
    EXPECT_EQ(One(document, "p").get_text(), "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD end");
    EXPECT_EQ(One(document, "pre").get_text(), "kept \xc3\xa9");
    EXPECT_EQ(document.select("p").size(), 2u);
}

TEST(HtmlParse, CharsetDeclarationCannotSwitchTheEncoding) {
    const Document document = Parse(
        "<html><head><meta charset=\"iso-8859-1\"></head><body><h1>\xc3\xa9t\xc3\xa9</h1>"
        "</body></html>");
    EXPECT_EQ(One(document, "h1").get_text(), "\xc3\xa9t\xc3\xa9");
}

TEST(HtmlParse, NulBytesAreReplacedAndDoNotEndTheParse) {
    const Document document = Parse(std::string("<p>a\0b</p><pre>tail</pre>", 25));
    EXPECT_EQ(One(document, "p").get_text(),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(One(document, "pre").get_text(), "tail");
    // A NUL inside a tag would otherwise cost the whole rest of the page.
    const Document wide = Parse(std::string("<\0p\0<h1>\xc3\xa9</h1>", 13));
    EXPECT_EQ(One(wide, "h1").get_text(), "\xc3\xa9");
}

TEST(HtmlParse, EmptyOrBlankInputGivesADocumentWithoutElements) {
    for (const char* page : {"", "   \n", "<!-- only a comment -->"}) {
        const Document document = Parse(page);
        EXPECT_TRUE(document.select("*").empty()) << page;
        EXPECT_FALSE(document.select_one("pre")) << page;
    }
}

TEST(HtmlParse, FragmentsAndUnclosedTagsAreRecovered) {
    const Document document = Parse("<pre><p>one<p>two</pre><ul><li>a<li>b</ul>");
    EXPECT_EQ(document.select("pre p").size(), 2u);
    EXPECT_EQ(document.select("ul > li").size(), 2u);
    EXPECT_EQ(One(document, "pre").get_text(), "onetwo");
}

TEST(HtmlParse, BrokenMarkupWritesNothingToStandardError) {
    ::testing::internal::CaptureStderr();
    Parse("<html><body><p <<a href=x>></b></i><table><td>x</tr></foo><p>&bogus; \xff</body>");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(HtmlParse, NestingBeyondTheParserLimitFailsInsteadOfTruncating) {
    std::string page;
    for (int i = 0; i < 200000; ++i) {
        page += "<div>";
    }
    page += "<pre>deep text</pre>";
    try {
        Parse(page);
        FAIL() << "a page nested 200,000 deep was accepted";
    } catch (const quill::ValueError& error) {
        EXPECT_THAT(error.what(), HasSubstr("nested deeper than 256"));
    }
}

// Tag soup as pages carry it: elements left open, end tags that close an outer element
// or none at all. The parser may close and nest as it likes, but no text may go missing
// or move.
TEST(HtmlParse, UnclosedAndMisnestedTagsNeverCostText) {
    const char* names[] = {"div", "span", "b", "i", "p", "li", "table", "td", "a", "em", "font"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        std::string page, text;
        std::vector<const char*> open;
        for (int run = 0; page.size() < 16 * 1024;) {
            const unsigned step = random() % 8;
            const char* name = names[random() % std::size(names)];
            if (step < 3 && open.size() < 12) {
                page +=
                    std::string("<") + name +
                    (random() % 3 == 0 ? " class=\"c" + std::to_string(random() % 50) + "\"" : "") +
                    ">";
                open.push_back(name);
            } else if (step < 5 && !open.empty()) {
                const size_t closed = open.size() - 1 - random() % std::min<size_t>(open.size(), 3);
                page += std::string("</") + open[closed] + ">";
                open.resize(closed);
            } else if (step == 5) {
                page += std::string("</") + name + ">";
            } else {
                const std::string words = "t" + std::to_string(run++) + " ";
                page += words;
                text += words;
            }
        }
        const Document document = Parse(page);
        EXPECT_EQ(One(document, "html").get_text(), text) << "seed " << seed;
    }
}

// ---- the text element ----

TEST(HtmlTextElement, KeepsListsTablesFormsNestedPreAndStrayEndTagsAsHtml5Would) {
    // libxml2 alone closes the pre at <table>, <ul>, <form>, <dl> and </body>, and cannot
    // close it across a div; an HTML 5 parser keeps all of this inside.
    const Document document = Parse(
        "<html><body><div class=\"page\"><pre><p>Alpha</p><table><tr><td>Bravo</td></tr>"
        "</table><p>Charlie</p><ul><li>Delta<li>Echo</ul><form>Foxtrot</form><dl><dt>Golf"
        "<dd>Hotel</dl><fieldset>India</fieldset><pre>Juliet</pre></body></html><div>Kilo"
        "</pre></div><p>outside</p></body></html>");
    const Element pre = One(document, "pre");
    EXPECT_EQ(pre.get_text(), "AlphaBravoCharlieDeltaEchoFoxtrotGolfHotelIndiaJulietKilo");
    EXPECT_EQ(One(document, "body > p").get_text(), "outside");
    // The elements keep their own names for the selectors and the formatter.
    EXPECT_EQ(pre.select("table td").size(), 1u);
    EXPECT_EQ(pre.select("ul > li").size(), 2u);
    EXPECT_THAT(pre.prettify(), HasSubstr("\n <table>\n  <tr>\n   <td>\n    Bravo\n"));
    EXPECT_THAT(pre.prettify(), ::testing::Not(HasSubstr("qx-")));
}

TEST(HtmlTextElement, OnlyRealTagsAreTouchedAndThePagesOwnNamesStay) {
    const Document document = Parse(
        "<html><head><script>var s = \"<pre><ul></body>\";</script></head><body>"
        "<!-- <pre><table> --><p title=\"<pre>\">a</p><qx-ul>b</qx-ul><QX-B>c</QX-B>"
        "<pre>d<qx-li>e</qx-li><ul><li>f</ul><!x<ul>h</ul></pre><ul><li>g</ul></body></html>");
    EXPECT_EQ(One(document, "script").get_text(), "var s = \"<pre><ul></body>\";");
    EXPECT_EQ(One(document, "p").get("title"), "<pre>");
    EXPECT_EQ(One(document, "qx-ul").get_text(), "b");
    EXPECT_EQ(One(document, "qx-b").get_text(), "c");
    EXPECT_EQ(One(document, "pre qx-li").get_text(), "e");
    EXPECT_EQ(One(document, "pre").get_text(), "def<!xh");
    EXPECT_EQ(One(document, "body > ul").get_text(), "g");
}

TEST(HtmlTextElement, PagesBeyondTheTagAndAttributeLimitsFailBeforeParsing) {
    const auto repeat = [](const std::string& unit, size_t count) {
        std::string page;
        page.reserve(unit.size() * count);
        for (size_t i = 0; i < count; ++i) {
            page += unit;
        }
        return page;
    };
    const auto failure = [](const std::string& page) {
        try {
            Parse(page);
        } catch (const quill::ValueError& error) {
            return std::string(error.what());
        }
        return std::string("parsed");
    };
    // 350,000 tags and attributes in all; tags with two attributes count three.
    EXPECT_EQ(failure(repeat("<br>", 350000)), "parsed");
    EXPECT_EQ(failure(repeat("<br>", 350001)),
              "page could not be parsed: more than 350000 tags and attributes");
    EXPECT_EQ(failure(repeat("<!---->", 350001)),
              "page could not be parsed: more than 350000 tags and attributes");
    EXPECT_EQ(failure(repeat("<br a b>", 116667)),
              "page could not be parsed: more than 350000 tags and attributes");
    // At most 1,000 attributes on one tag, and 8 million attribute pairs in the page.
    EXPECT_EQ(failure("<i " + repeat("a ", 1000) + ">"), "parsed");
    EXPECT_EQ(failure("<i " + repeat("a ", 1001) + ">"),
              "page could not be parsed: a tag with more than 1000 attributes");
    EXPECT_EQ(failure(repeat("<i " + repeat("a ", 1000) + ">", 16)), "parsed");
    EXPECT_EQ(failure(repeat("<i " + repeat("a ", 1000) + ">", 17)),
              "page could not be parsed: too many tags with many attributes each");
}

// ---- text ----

TEST(HtmlText, DecodesEntitiesAndJoinsNestedInlineText) {
    const Document document = Parse(
        "<h1 class=\"h2\">  Chapter 3: <em>Fish &amp; <b>Chips</b></em> &lt;draft&gt; "
        "&eacute;&#233;&#x1F41F;<!-- hidden --></h1>");
    EXPECT_EQ(One(document, "h1").get_text(),
              "  Chapter 3: Fish & Chips <draft> \xc3\xa9\xc3\xa9\xf0\x9f\x90\x9f");
}

TEST(HtmlText, ScriptTextIsTheJsonTheSiteEmbedded) {
    const Document document = Parse(kStoryPage);
    EXPECT_EQ(One(document, "script[type=\"application/ld+json\"]").get_text(),
              R"({"@type":"Book","headline":"The Glass Orchard & <Other> Tales",)"
              R"("author":{"name":"Mara Lindqvist"},"image":"https://img.example/c/881.jpg",)"
              R"("description":"Élodie's \"orchard\"."})");
}

// ---- markup ----

TEST(HtmlMarkup, ScriptDataComesBackExactlyAsThePageCarriedIt) {
    const std::string data = R"(window.__DATA__ = {"title":"A < B && C","pages":3,"x":"</p>"};)";
    const Document document =
        Parse("<html><head><script>" + data + "</script></head><body><h1>x</h1></body></html>");
    EXPECT_THAT(document.markup(), HasSubstr("<script>" + data + "</script>"));
    EXPECT_THAT(document.markup(), HasSubstr("\"pages\":3,"));
}

TEST(HtmlMarkup, WholeDocumentRoundTrip) {
    const Document document = Parse(
        "<!DOCTYPE html><html><head><style>a>b{}</style></head><body><!-- note -->"
        "<p class=\"x\">caf\xc3\xa9 &amp; \xc2\xa0<br>tea</p></body></html>");
    EXPECT_EQ(document.markup(),
              "<!DOCTYPE html><html><head><style>a>b{}</style></head><body><!-- note -->"
              "<p class=\"x\">caf\xc3\xa9 &amp; \xc2\xa0<br/>tea</p></body></html>");
}

TEST(HtmlMarkup, EscapesTextAndAttributeValues) {
    const Document document =
        Parse("<p title='say \"hi\" &amp; <go>' data-x=\"a&gt;b\">1 &lt; 2 &gt; 0 &amp; \"q\"</p>");
    EXPECT_EQ(One(document, "p").markup(),
              "<p title=\"say &quot;hi&quot; &amp; &lt;go&gt;\" data-x=\"a&gt;b\">"
              "1 &lt; 2 &gt; 0 &amp; \"q\"</p>");
}

TEST(HtmlMarkup, VoidElementsCloseThemselvesAndAttributesKeepSourceOrder) {
    // libxml2 gives HTML's boolean attributes their own name as value; others stay empty.
    const Document document = Parse(
        "<div><img src=\"c.jpg\" data-lazy alt=\"\" width=3><input disabled type=checkbox>"
        "<hr></div>");
    EXPECT_EQ(One(document, "div").markup(),
              "<div><img src=\"c.jpg\" data-lazy=\"\" alt=\"\" width=\"3\"/><input "
              "disabled=\"disabled\" type=\"checkbox\"/><hr/></div>");
}

// ---- prettify ----

TEST(HtmlPrettify, OneTagOrTextRunPerLineIndentedByLevel) {
    const Document document = Parse("<pre><p data-p-id=\"abc\">Hello <b>big</b> world</p></pre>");
    EXPECT_EQ(One(document, "pre").prettify(),
              "<pre>\n <p data-p-id=\"abc\">\n  Hello\n  <b>\n   big\n  </b>\n  world\n </p>\n"
              "</pre>\n");
}

TEST(HtmlPrettify, ChapterPageTextKeepsEntitiesNonAsciiAndVoidElements) {
    const Document document = Parse(kTextPage);
    EXPECT_EQ(One(document, "pre").prettify(),
              "<pre>\n"
              " <p data-p-id=\"5f1c0a\">\n"
              "  Der Stra\xc3\x9f"
              "e entlang &amp;\n"
              "  <b>\n"
              "   weiter\n"
              "  </b>\n"
              "  ,\xc2\xa0sagte sie.\n"
              " </p>\n"
              " <p data-p-id=\"77b2e9\">\n"
              "  Zeile\n"
              "  <br/>\n"
              "  zwei\n"
              " </p>\n"
              "</pre>\n");
}

TEST(HtmlPrettify, StartTagWithAttributesAndEmptyOrCommentedContent) {
    const Document document = Parse(
        "<pre class=\"story\" id=\"t\"><p></p><!-- c --> \n\t <script> var a = 1 < 2; "
        "</script></pre>");
    EXPECT_EQ(One(document, "pre").prettify(),
              "<pre class=\"story\" id=\"t\">\n"
              " <p>\n"
              " </p>\n"
              " <!-- c -->\n"
              " <script>\n"
              "  var a = 1 < 2;\n"
              " </script>\n"
              "</pre>\n");
}

TEST(HtmlPrettify, StopsAtTheLimitInsteadOfGrowingWithTheIndentation) {
    std::string page = "<pre>";
    for (int i = 0; i < 200; ++i) {
        page += "<span>";
    }
    for (int i = 0; i < 1000; ++i) {
        page += "<br>";
    }
    const Element pre = One(Parse(page), "pre");
    const std::string whole = pre.prettify();
    EXPECT_GT(whole.size(), 200000u) << "each <br> line is indented 201 blanks";
    EXPECT_EQ(pre.prettify(whole.size()), whole);
    EXPECT_THROW(pre.prettify(whole.size() - 1), quill::SizeLimitError);
}

TEST(HtmlPrettify, ElementWithoutChildrenAndVoidElementAlone) {
    const Document document = Parse("<div><span></span><br></div>");
    EXPECT_EQ(One(document, "span").prettify(), "<span>\n</span>\n");
    EXPECT_EQ(One(document, "br").prettify(), "<br/>\n");
}

// ---- attributes ----

TEST(HtmlAttributes, LookupByNameAndMissingAttribute) {
    const Document document = Parse("<UL><LI><A HREF=\"/881-part-one\" Class=x>One</A></UL>");
    const Element link = One(document, "a");
    EXPECT_EQ(link.name(), "a");
    EXPECT_EQ(link.attr("href"), "/881-part-one");
    EXPECT_EQ(link.get("HREF"), "/881-part-one");
    EXPECT_EQ(link.get("title"), std::nullopt);
    try {
        link.attr("title");
        FAIL() << "attr() of a missing attribute returned";
    } catch (const quill::KeyError& error) {
        EXPECT_STREQ(error.what(), "element <a> has no attribute \"title\"");
        EXPECT_EQ(error.kind(), "KeyError");
    }
}

// ---- equality ----

TEST(HtmlEquality, SameMarkupIsEqualWhereverItStands) {
    const Document story = Parse(kStoryPage);
    const std::vector<Element> parts = story.select(".story-parts ul li a");
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], parts[2]);
    EXPECT_EQ(ElementHash()(parts[0]), ElementHash()(parts[2]));
    EXPECT_NE(parts[0], parts[1]);

    const Element sidebar = One(story, "ul.table-of-contents a");
    EXPECT_EQ(sidebar, parts[0]);
    const Document other = Parse("<p><a href=\"/881-part-one\">Part One</a></p>");
    EXPECT_EQ(One(other, "a"), parts[0]);
    EXPECT_EQ(ElementHash()(One(other, "a")), ElementHash()(parts[0]));
}

TEST(HtmlEquality, DifferentTextNameOrAttributesAreNotEqual) {
    const Document document = Parse(
        "<a href=\"/1\">One</a><a href=\"/1\">One </a><a href=\"/2\">One</a>"
        "<a href=\"/1\" class=\"x\">One</a><b href=\"/1\">One</b><a href=\"/1\"><i>One</i></a>");
    const std::vector<Element> links = document.select("a, b");
    ASSERT_EQ(links.size(), 6u);
    for (size_t i = 0; i < links.size(); ++i) {
        for (size_t j = i + 1; j < links.size(); ++j) {
            EXPECT_NE(links[i], links[j]) << i << " vs " << j;
        }
    }
}

TEST(HtmlEquality, ElementsServeAsSetKeysDroppingRepeatedLinks) {
    const Document story = Parse(kStoryPage);
    std::unordered_set<Element, ElementHash> seen;
    std::vector<std::string> kept;
    for (const Element& link : story.select(".story-parts ul li a")) {
        if (seen.insert(link).second) {
            kept.push_back(link.attr("href"));
        }
    }
    EXPECT_THAT(kept, ::testing::ElementsAre("/881-part-one", "/882-part-two"));
}

TEST(HtmlEquality, ElementsKeepTheirDocumentAlive) {
    std::optional<Element> kept;
    {
        const Document document = Parse(kTextPage);
        kept = One(document, "b");
    }
    EXPECT_EQ(kept->get_text(), "weiter");
}

// ---- depth ----

// Runs `work` on a thread with a small stack, so recursion over the depth of a tree shows
// as a crash here instead of passing on the main thread's large stack.
void RunOnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 128 * 1024), 0);
    pthread_t thread;
    auto call = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, call, const_cast<std::function<void()>*>(&work)),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// Hangs a chain of `depth` nested div elements, ending in a text, below `parent`.
void Graft(xmlNode* parent, int depth, const char* text) {
    for (int i = 0; i < depth; ++i) {
        parent = xmlNewChild(parent, nullptr, BAD_CAST "div", nullptr);
    }
    xmlAddChild(parent, xmlNewText(BAD_CAST text));
}

// The parser stops at 256 levels, so deeper trees are built with libxml2's tree API.
Document DeepDocument(const std::vector<std::pair<const char*, int>>& chains) {
    gsweb::XmlDocPtr doc(xmlNewDoc(nullptr));
    xmlNode* body = xmlNewNode(nullptr, BAD_CAST "body");
    xmlDocSetRootElement(doc.get(), body);
    for (const auto& [text, depth] : chains) {
        Graft(xmlNewChild(body, nullptr, BAD_CAST "section", nullptr), depth, text);
    }
    return gsweb::ElementAccess::Adopt(std::move(doc));
}

TEST(HtmlDepth, TwoHundredThousandLevelsAreWalkedWithoutRecursion) {
    const Document document =
        DeepDocument({{"bottom", 200000}, {"bottom", 200000}, {"other", 200000}});
    size_t divs = 0, belowFirst = 0;
    std::string text, markup;
    bool sameChainsEqual = false, differentChainsEqual = true, hashesAgree = false;
    RunOnSmallStack([&] {
        divs = document.select("section div").size();
        const std::vector<Element> sections = document.select("section");
        const Element a = sections[0].select_one("div").value();
        const Element b = sections[1].select_one("div").value();
        const Element c = sections[2].select_one("div").value();
        belowFirst = a.select("section div div").size();
        text = sections[0].get_text();
        markup = sections[0].markup();
        sameChainsEqual = a == b;
        differentChainsEqual = a == c;
        hashesAgree = ElementHash()(a) == ElementHash()(b);
    });
    EXPECT_EQ(divs, 600000u);
    EXPECT_EQ(belowFirst, 199999u);
    EXPECT_EQ(text, "bottom");
    EXPECT_EQ(markup.size(), std::string("<section></section>bottom").size() + 200000 * 11);
    EXPECT_TRUE(sameChainsEqual);
    EXPECT_FALSE(differentChainsEqual);
    EXPECT_TRUE(hashesAgree);
}

TEST(HtmlDepth, PrettifyOfADeepChainNeedsNoStack) {
    const Document document = DeepDocument({{"x", 3000}});
    std::string pretty;
    RunOnSmallStack([&] { pretty = document.select_one("section")->prettify(); });
    const std::string innermost =
        std::string(3001, ' ') + "x\n" + std::string(3000, ' ') + "</div>\n";
    EXPECT_NE(pretty.find(innermost), std::string::npos);
    EXPECT_EQ(pretty.compare(pretty.size() - 11, 11, "</section>\n"), 0);
}

}  // namespace
